#include "MainPanelRules.h"

#include "clientui/ContactSearchList.h"
#include "clientui/StatusName.h"

#include "fw/StringUtil.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Layout

RECT CMainPanelLayout::AreaRect(int area, const RECT& r) {
    const LONG x = r.left;
    const LONG y = r.top;
    const LONG w = r.right;
    const LONG h = r.bottom;
    switch (area) {
    case kCaption:
        return RECT{x + 26, y, w, y + 28};
    case kFace:
        return RECT{x + 5, y + 36, x + 5 + 53, y + 36 + 51};
    case kStatus:
        return RECT{x + 67, y + 44, x + 67 + 32, y + 44 + 16};
    case kName:
        return RECT{x + 103, y + 36, w - 20, y + 36 + 26};
    case kSignature:
        return RECT{x + 67, y + 62, w - 20, y + 62 + 26};
    case kSearch:
        return RECT{x + 1, y + 93, w - 1, y + 93 + 22};
    case kHitList:
        return RECT{x + 3, y + 116, w - 3, y + 116 + 99};
    case kTree:
        return RECT{x + 1, y + 115, w - 1, h - 28};
    default:
        return r;
    }
}

SIZE CMainPanelLayout::AtLeastMinimum(int width, int height) {
    return SIZE{std::max(width, kMinWidth), std::max(height, kMinHeight)};
}

RECT CMainPanelLayout::DockedRect(const RECT& work, int width, int height, int captionMetric) {
    const SIZE size = AtLeastMinimum(width, height);
    const LONG top = work.top + captionMetric;
    return RECT{work.right - size.cx, top, work.right, top + size.cy};
}

// ---------------------------------------------------------------------------
// Texts

const wchar_t CIMMainPanelTexts::kExitQuestion[] = L"退出在线聊天工具，将不能及时收到消息。\r\n您确认要退出程序吗?";
const wchar_t CIMMainPanelTexts::kNotLoggedOnName[] = L"未登录";
const wchar_t CIMMainPanelTexts::kPlaceholderSignature[] = L"更多功能，请登录查看:)";
const wchar_t CIMMainPanelTexts::kFetching[] = L"正在获取相关信息...";

std::wstring CIMMainPanelTexts::ProfileNotArrived(int32_t userId) {
    return fw::FormatString(L"没有收到 %d 的资料，请稍后再试。", userId);
}

std::wstring CIMMainPanelTexts::StatusText(int32_t status) {
    std::wstring text;
    GetStatusName(status, text, STATUS_ONLINE);
    return text;
}

std::wstring CIMMainPanelTexts::NameLine(const std::wstring& nickname, int32_t status) {
    return fw::FormatString(L"%ls  [%ls]", nickname.c_str(), StatusText(status).c_str());
}

std::wstring CIMMainPanelTexts::SignatureLine(const std::wstring& signature) {
    if (signature.empty() || signature[0] == L'0') return L"暂无个性签名信息";
    return signature;
}

MainHeader CIMMainPanelTexts::Header(const CEngineModule& engine, int32_t logonState, const std::wstring& title) {
    MainHeader header;
    const int32_t self = engine.MGetCurUserID ? engine.MGetCurUserID() : 0;
    if (self == 0) {
        header.nameLine = kNotLoggedOnName;
        header.signatureLine = fw::FormatString(L"更多功能，请登录%ls查看:)", title.c_str());
        return header;
    }
    if (logonState == 2) {
        header.nameLine = kFetching;
        return header;
    }
    UserInfoBase own = {};
    if (engine.MGetUserInfoBase)
        if (const UserInfoBase* record = engine.MGetUserInfoBase(self)) own = *record;
    int32_t status = own.status;
    const bool offline = engine.MIsOffline && engine.MIsOffline() != 0;
    const bool connected = engine.MGetConnectStatus && engine.MGetConnectStatus() != 0;
    if (offline || !connected) status = STATUS_OFFLINE;
    header.status = status;
    header.nameLine = NameLine(fw::FromAnsiField(own.nickname), status);
    header.signatureLine = SignatureLine(fw::FromAnsiField(own.signature));
    return header;
}

std::wstring CIMMainPanelTexts::TrayTip(const std::wstring& title, const std::wstring& nickname, int32_t status,
                                      bool popUp) {
    const std::wstring tip = fw::FormatString(L" %ls:%ls \r\n 状态:%ls \r\n 会话:%ls ", title.c_str(), nickname.c_str(),
                                              StatusText(status).c_str(), popUp ? L"自动弹出会话窗口" : L"任务栏闪烁");
    return fw::CutWide(tip, kTipChars);
}

std::wstring CIMMainPanelTexts::UnreadTip(const std::wstring& title, const std::wstring& nickname, int32_t sender) {
    return fw::CutWide(fw::FormatString(L"%ls: %ls\r\n来自 %d 的未读消息", title.c_str(), nickname.c_str(), sender),
                       kTipChars);
}

TrayState ComputeTrayState(const CEngineModule& engine, const UserInfoBase& holder) {
    const int32_t self = engine.MGetCurUserID ? engine.MGetCurUserID() : 0;
    UserInfoBase own = holder;
    if (self != 0 && engine.MGetUserInfoBase)
        if (const UserInfoBase* record = engine.MGetUserInfoBase(self)) own = *record;
    TrayState state;
    state.nickname = fw::FromAnsiField(own.nickname);
    const bool connected = engine.MGetConnectStatus && engine.MGetConnectStatus() != 0;
    state.status = connected ? own.status : STATUS_OFFLINE;
    return state;
}

// ---------------------------------------------------------------------------
// Unread senders

bool CUnreadTrayList::Add(int32_t senderId) {
    const bool wasEmpty = m_items.empty();
    if (!Contains(senderId)) m_items.push_back(UnreadTrayItem{senderId, 1, 0});
    return wasEmpty;
}

void CUnreadTrayList::Remove(int32_t senderId) {
    m_items.remove_if([senderId](const UnreadTrayItem& item) { return item.senderId == senderId; });
}

bool CUnreadTrayList::Contains(int32_t senderId) const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [senderId](const UnreadTrayItem& item) { return item.senderId == senderId; });
}

CUnreadTrayList::TickAction CUnreadTrayList::Tick() {
    m_blink ^= 1;
    if (m_items.empty()) return TickAction::StopAndRefreshTip;
    return m_blink ? TickAction::ShowWindowIcon : TickAction::ShowBlinkIcon;
}

// ---------------------------------------------------------------------------
// Profile requests

void CProfileRequest::Start(int32_t userId) {
    m_userId = userId;
    m_pending = true;
    m_arrived = false;
    m_ticks = 0;
}

CProfileRequest::TickAction CProfileRequest::Tick() {
    if (!m_pending) return TickAction::Idle;
    if (m_arrived) {
        m_pending = false;
        m_arrived = false;
        return TickAction::Open;
    }
    if (++m_ticks >= kMaxTicks) {
        m_pending = false;
        return TickAction::GiveUp;
    }
    return TickAction::Wait;
}

// ---------------------------------------------------------------------------
// Search

std::vector<clientui::SearchHit> CFriendSearch::Search(const FriendMap& friends, const std::wstring& text) const {
    return m_search.Search(friends, text);
}
