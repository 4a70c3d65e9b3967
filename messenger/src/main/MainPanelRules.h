// What the messenger's main window decides without a window: where its
// areas lie, the texts of its header band and its tray tip, the list of
// unread senders that makes the tray icon blink, the bounded wait for a
// profile that was asked for, and the contact search over the friend map.
// The engine is reached through a CEngineModule table, so tests drive these
// classes with fake functions.
#pragma once

#include "clientui/EngineModule.h"

#include "ContactSearch.h"
#include "clientui/ContactSearchList.h"

#include <ImEngineApi.h>

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Layout areas of the main window: rectangles relative to a rectangle r (the
// window rectangle for hit tests, the client rectangle for painting).
class CMainPanelLayout {
public:
    enum Area : int {
        kCaption = 0,    // the caption text
        kFace = 1,       // the own face picture
        kStatus = 2,     // the status button
        kName = 5,       // the name line
        kSignature = 6,  // the signature line
        kSearch = 7,     // the search box
        kHitList = 8,    // the hit list under it
        kTree = 9,       // the friend tree
    };
    static constexpr int kCaptionHeight = 28;
    static constexpr int kHeaderHeight = 68;
    static constexpr int kBottomHeight = 28;
    static constexpr int kMinWidth = 230;
    static constexpr int kMinHeight = 330;

    // The area's rectangle; any other number gives r itself.
    static RECT AreaRect(int area, const RECT& r);
    // The size raised to the minimum.
    static SIZE AtLeastMinimum(int width, int height);
    // Docked at the right edge of the work area: right = work right, top =
    // work top + the caption metric, the size raised to the minimum.
    static RECT DockedRect(const RECT& work, int width, int height, int captionMetric);
};

// ---------------------------------------------------------------------------
// The texts the main window shows.
struct MainHeader {
    std::wstring nameLine;
    std::wstring signatureLine;
    // The status whose picture the status button shows; -1: none.
    int32_t status = -1;
};

class CIMMainPanelTexts {
public:
    // Characters of the tray tip without its NUL.
    static constexpr size_t kTipChars = 127;

    // The status as the main window reads it: "在线" for any unknown value.
    static std::wstring StatusText(int32_t status);
    // "<nickname>  [<status text>]".
    static std::wstring NameLine(const std::wstring& nickname, int32_t status);
    // The signature, or "暂无个性签名信息" when it is empty or begins with "0".
    static std::wstring SignatureLine(const std::wstring& signature);
    // The header band: not logged on (no own id), fetching (log-on state 2),
    // or the own record with the status offline while the engine is offline
    // or unconnected.
    static MainHeader Header(const CEngineModule& engine, int32_t logonState, const std::wstring& title);

    // " <title>:<nickname> \r\n 状态:<status> \r\n 会话:<pop-up or flash> ",
    // cut to the tip field.
    static std::wstring TrayTip(const std::wstring& title, const std::wstring& nickname, int32_t status, bool popUp);
    // "<title>: <nickname>\r\n来自 <sender> 的未读消息", cut to the tip field.
    static std::wstring UnreadTip(const std::wstring& title, const std::wstring& nickname, int32_t sender);
    // The tray icon of a status: the status, online for an unknown value.
    static int TrayIconIndex(int32_t status) { return status >= 0 && status <= 5 ? status : 0; }

    static const wchar_t kExitQuestion[];        // "退出在线聊天工具，..."
    static const wchar_t kNotLoggedOnName[];     // "未登录"
    static const wchar_t kPlaceholderSignature[];// "更多功能，请登录查看:)"
    static const wchar_t kFetching[];            // "正在获取相关信息..."
    static std::wstring ProfileNotArrived(int32_t userId);
};

// The own status and nickname the tray shows: the engine's own record while
// an own id is known, else the holder's placeholder; offline while not
// connected.
struct TrayState {
    std::wstring nickname;
    int32_t status = 5;
};
TrayState ComputeTrayState(const CEngineModule& engine, const UserInfoBase& holder);

// ---------------------------------------------------------------------------
// The senders whose messages wait unread, in order of arrival, each once,
// and the blinking of the tray icon while there are any.
struct UnreadTrayItem {
    int32_t senderId = 0;
    int32_t kind = 1;
    int32_t reserved = 0;
};

class CUnreadTrayList {
public:
    enum class TickAction {
        StopAndRefreshTip,  // nothing unread: the tip is refreshed, the timer stops
        ShowWindowIcon,     // blink bit 1: the window icon, the unread tip
        ShowBlinkIcon,      // blink bit 0: icon 201, the unread tip
    };

    // Appends the sender unless present; true when the list was empty (the
    // blink timer starts).
    bool Add(int32_t senderId);
    void Remove(int32_t senderId);
    bool IsEmpty() const { return m_items.empty(); }
    bool Contains(int32_t senderId) const;
    // The first sender; 0 when none.
    int32_t First() const { return m_items.empty() ? 0 : m_items.front().senderId; }
    const std::list<UnreadTrayItem>& Items() const { return m_items; }

    // One blink step: the blink bit flips, then what to show.
    TickAction Tick();
    int BlinkBit() const { return m_blink; }

private:
    std::list<UnreadTrayItem> m_items;
    int m_blink = 0;
};

// ---------------------------------------------------------------------------
// A profile asked from the server: the window waits for its arrival on a
// 200 ms timer, but not for ever.
class CProfileRequest {
public:
    static constexpr int kMaxTicks = 50;  // 10 seconds

    enum class TickAction { Idle, Wait, Open, GiveUp };

    void Start(int32_t userId);
    void MarkArrived() { m_arrived = true; }
    bool IsPending() const { return m_pending; }
    int32_t UserId() const { return m_userId; }
    // Open once the profile has arrived (the request ends); GiveUp after the
    // bound (the request ends); Wait while it runs; Idle without a request.
    TickAction Tick();

private:
    int32_t m_userId = 0;
    bool m_pending = false;
    bool m_arrived = false;
    int m_ticks = 0;
};

// ---------------------------------------------------------------------------
// The search of the main window's search box over the copied friend map:
// "<remark>(<id>)(<nickname>)" or "<nickname>(<id>)" per friend, categories
// in map order, at most six hits, each carrying the friend's id. The
// friends' search texts are converted once and kept while they stay.
class CFriendSearch {
public:
    explicit CFriendSearch(const clientui::IAnsiCodePage& codePage) : m_search(codePage) {}
    std::vector<clientui::SearchHit> Search(const FriendMap& friends, const std::wstring& text) const;
    // Makes the texts a search of friends compares (what the first search
    // would otherwise do).
    void Prepare(const FriendMap& friends) const { m_search.Refresh(friends); }

private:
    mutable clientui::CContactSearchIndex m_search;
};
