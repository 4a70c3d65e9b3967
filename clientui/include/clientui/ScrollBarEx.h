// CScrollBarEx: a skinned scroll bar laid over the system scroll bar of a
// host control (a report list, a tree). It is a static window of the host's
// parent (control id 0xFFFF) that lies over the strip of the host's window
// where the system bar is, and paints that bar from the common skin's
// scroll bitmaps: arrows and trough stretched, the thumb from its caps, its
// middle and its grip. Being a static control it is transparent to the
// mouse: clicks and drags reach the system bar below it, which scrolls the
// host; the host then calls UpdateBar after each of its paints.
//
// UI thread only.
#pragma once

#include "clientui/IMResourceComm.h"

#include "fw/Static.h"

#include <windows.h>

#include <string>

class CScrollBarEx : public fw::CStatic {
public:
    enum Orientation : int { kHorizontal = 0, kVertical = 1 };
    static constexpr UINT kControlId = 0xFFFF;

    // skinFolder: the folder holding "Resource" (empty: the program's).
    explicit CScrollBarEx(const std::wstring& skinFolder = std::wstring());
    ~CScrollBarEx() override;

    // Lays the bar over host's system bar of the orientation (0 horizontal,
    // 1 vertical): loads the skin, gives the host WS_CLIPSIBLINGS, creates
    // the bar as a visible child of the host's parent and updates it. 0
    // without a host or for another orientation, else 1.
    int Attach(HWND host, int orientation);
    // Puts the host at the bottom of the Z order, moves the bar onto the
    // system bar's rectangle (hidden while the host shows no such bar) and
    // repaints it.
    void UpdateBar();

    HWND GetHost() const { return m_host; }
    int GetOrientation() const { return m_orientation; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    bool ReadBar(SCROLLBARINFO& info) const;

    HWND m_host = nullptr;
    int m_orientation = kVertical;
    CIMResourceComm m_skin;
    // Moving the host makes it tell its bars again: once is enough.
    bool m_updating = false;
};
