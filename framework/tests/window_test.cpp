// The window wrapper: created and subclassed windows reach their objects,
// default processing goes to the original procedure, child notifications are
// reflected to the child's object with the parent still seeing what the
// child leaves, and timers call OnTimer.
#include <fw/DeviceContext.h>
#include <fw/MessageLoop.h>
#include <fw/Window.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr RECT kRect = {0, 0, 200, 120};

// An edit control subclassed to drop digits.
class CNoDigitsEdit : public fw::CWindow {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_CHAR:
            if (wParam >= L'0' && wParam <= L'9') return 0;
            return Default();
        default:
            return fw::CWindow::WindowProc(msg, wParam, lParam);
        }
    }
};

HWND CreateRawEdit() {
    return ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

void TypeText(HWND hWnd, const wchar_t* text) {
    for (const wchar_t* p = text; *p; ++p) ::SendMessageW(hWnd, WM_CHAR, *p, 1);
}

TEST(Subclass, OwnHandlerFirstThenOriginalProcedureAndUnsubclassRestores) {
    HWND edit = CreateRawEdit();
    ASSERT_NE(edit, nullptr);
    const LONG_PTR original = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    {
        CNoDigitsEdit wrapper;
        ASSERT_TRUE(wrapper.Subclass(edit));
        EXPECT_EQ(fw::CWindow::FromHandle(edit), &wrapper);
        EXPECT_FALSE(CNoDigitsEdit().Subclass(edit)) << "a window has one object";
        TypeText(edit, L"a1b2");
        EXPECT_EQ(wrapper.GetWindowText(), L"ab");
        EXPECT_EQ(wrapper.Unsubclass(), edit);
        EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
        EXPECT_EQ(fw::CWindow::FromHandle(edit), nullptr);
        TypeText(edit, L"3");
        EXPECT_EQ(fw::CWindow(edit).GetWindowText(), L"ab3");
    }
    // An object that goes while still subclassing gives the procedure back
    // and leaves the window alone.
    {
        CNoDigitsEdit wrapper;
        ASSERT_TRUE(wrapper.Subclass(edit));
    }
    EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    EXPECT_TRUE(::IsWindow(edit));
    ::DestroyWindow(edit);
}

TEST(Subclass, ObjectForgetsItsWindowWhenTheWindowIsDestroyed) {
    HWND edit = CreateRawEdit();
    CNoDigitsEdit wrapper;
    ASSERT_TRUE(wrapper.Subclass(edit));
    ::DestroyWindow(edit);
    EXPECT_EQ(wrapper.GetHwnd(), nullptr);
    EXPECT_EQ(fw::CWindow::FromHandle(edit), nullptr);
}

// A created window of the framework's class.
class CTimerWindow : public fw::CWindow {
public:
    bool created = false;
    int destroyed = 0;
    std::vector<UINT_PTR> timers;

protected:
    bool OnCreate(CREATESTRUCTW*, LRESULT* result) override {
        created = true;
        *result = 0;
        return true;
    }
    void OnDestroy() override { ++destroyed; }
    bool OnTimer(UINT_PTR id) override {
        timers.push_back(id);
        KillTimer(id);
        ::PostQuitMessage(static_cast<int>(id));
        return true;
    }
};

TEST(Window, CreatedWindowGetsNamedHandlersAndTimers) {
    CTimerWindow wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"timer", WS_OVERLAPPEDWINDOW, kRect, nullptr, 0));
    EXPECT_TRUE(wnd.created);
    ASSERT_EQ(wnd.SetTimer(17, 10), 17u);
    EXPECT_EQ(fw::CMessageLoop::Run(), 17);
    EXPECT_EQ(wnd.timers, std::vector<UINT_PTR>{17});
    HWND hWnd = wnd.GetHwnd();
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.destroyed, 1);
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(Window, ObjectDestroysTheWindowItCreated) {
    HWND hWnd;
    {
        fw::CWindow wnd;
        hWnd = wnd.CreateEx(0, nullptr, L"owned", WS_OVERLAPPEDWINDOW, kRect, nullptr, 0);
        ASSERT_NE(hWnd, nullptr);
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

// A child control that takes reflected notifications: it consumes colour,
// draw, measure and notify messages and only watches commands.
class CReflectingChild : public fw::CWindow {
public:
    std::vector<UINT> seen;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
        seen.push_back(msg);
        switch (msg) {
        case WM_COMMAND:
            return false;  // the parent handles the click too
        case WM_NOTIFY:
            *result = 42;
            return true;
        case WM_CTLCOLORBTN:
            *result = reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH));
            return true;
        default:
            *result = TRUE;
            return true;
        }
    }
};

class CParentWindow : public fw::CWindow {
public:
    std::vector<UINT> seen;

protected:
    bool OnCommand(WPARAM, LPARAM) override {
        seen.push_back(WM_COMMAND);
        return true;
    }
    bool OnNotify(WPARAM, NMHDR*, LRESULT* result) override {
        seen.push_back(WM_NOTIFY);
        *result = 7;
        return true;
    }
    HBRUSH OnCtlColor(UINT msg, HDC, HWND) override {
        seen.push_back(msg);
        return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    }
    bool OnDrawItem(UINT, DRAWITEMSTRUCT*) override {
        seen.push_back(WM_DRAWITEM);
        return true;
    }
    bool OnMeasureItem(UINT, MEASUREITEMSTRUCT*) override {
        seen.push_back(WM_MEASUREITEM);
        return true;
    }
};

TEST(Reflection, ChildSeesItsNotificationsFirstAndParentSeesWhatIsLeft) {
    constexpr UINT kChildId = 300;
    CParentWindow parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW, kRect, nullptr, 0));
    CReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, L"BUTTON", L"child", WS_CHILD | BS_OWNERDRAW, RECT{0, 0, 50, 20}, parent,
                               kChildId));
    HWND plain = ::CreateWindowExW(0, L"BUTTON", L"plain", WS_CHILD, 0, 30, 50, 20, parent,
                                   reinterpret_cast<HMENU>(301), nullptr, nullptr);
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 60, 50, 20, parent, reinterpret_cast<HMENU>(302),
                                  nullptr, nullptr);

    NMHDR hdr = {child, kChildId, NM_CLICK};
    NMHDR plainHdr = {plain, 301, NM_CLICK};
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = kChildId;
    dis.hwndItem = child;
    MEASUREITEMSTRUCT mis = {};
    mis.CtlType = ODT_BUTTON;
    mis.CtlID = kChildId;
    const LRESULT gray = reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH));
    const LRESULT white = reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));

    struct Case {
        const char* name;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        bool childSees;
        bool parentSees;
    };
    const Case cases[] = {
        {"click", WM_COMMAND, MAKEWPARAM(kChildId, BN_CLICKED), reinterpret_cast<LPARAM>(child.GetHwnd()), 0, true, true},
        {"menu command", WM_COMMAND, 5, 0, 0, false, true},
        {"accelerator", WM_COMMAND, MAKEWPARAM(5, 1), 0, 0, false, true},
        // A button's command runs on its click only: the double click that
        // follows the click, and focus notices, are no commands.
        {"double click", WM_COMMAND, MAKEWPARAM(kChildId, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(child.GetHwnd()),
         0, true, false},
        {"plain button's click", WM_COMMAND, MAKEWPARAM(301, BN_CLICKED), reinterpret_cast<LPARAM>(plain), 0, false, true},
        {"plain button's double click", WM_COMMAND, MAKEWPARAM(301, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(plain), 0,
         false, false},
        {"plain button's focus", WM_COMMAND, MAKEWPARAM(301, BN_SETFOCUS), reinterpret_cast<LPARAM>(plain), 0, false,
         false},
        // Another control's notice with the same code is a command.
        {"edit's notice", WM_COMMAND, MAKEWPARAM(302, 5), reinterpret_cast<LPARAM>(edit), 0, false, true},
        {"notify", WM_NOTIFY, kChildId, reinterpret_cast<LPARAM>(&hdr), 42, true, false},
        {"notify of a plain child", WM_NOTIFY, 301, reinterpret_cast<LPARAM>(&plainHdr), 7, false, true},
        {"colour", WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(child.GetHwnd()), gray, true, false},
        {"colour of a plain child", WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(plain), white, false, true},
        {"draw", WM_DRAWITEM, kChildId, reinterpret_cast<LPARAM>(&dis), TRUE, true, false},
        {"measure", WM_MEASUREITEM, kChildId, reinterpret_cast<LPARAM>(&mis), TRUE, true, false},
    };
    for (const Case& c : cases) {
        child.seen.clear();
        parent.seen.clear();
        EXPECT_EQ(parent.SendMessage(c.msg, c.wParam, c.lParam), c.result) << c.name;
        EXPECT_EQ(child.seen == std::vector<UINT>{c.msg}, c.childSees) << c.name;
        EXPECT_EQ(parent.seen == std::vector<UINT>{c.msg}, c.parentSees) << c.name;
    }
}

}  // namespace

// fw::PrintClientMessage(): a window that paints through CPaintDC draws its whole client
// area into the caller's DC, erased first when asked; the screen's update
// region and the caller's DC state stay as they were. A window whose paint
// handler does not go through CPaintDC gets default processing.
namespace {

class CPrintedWindow : public fw::CWindow {
public:
    COLORREF paintColour = RGB(30, 140, 60);
    COLORREF eraseColour = RGB(200, 40, 40);
    bool usePaintDc = true;
    int paints = 0;
    int erases = 0;

protected:
    bool OnPaint() override {
        ++paints;
        if (!usePaintDc) return false;
        fw::CPaintDC dc(m_hWnd);
        const RECT& area = dc.GetPaintStruct().rcPaint;
        // Half the surface, so that the erase shows beside it.
        RECT half = area;
        half.right = area.right / 2;
        HBRUSH brush = ::CreateSolidBrush(paintColour);
        ::FillRect(dc, &half, brush);
        ::DeleteObject(brush);
        ::SetViewportOrgEx(dc, 7, 7, nullptr);  // state the caller must not see
        return true;
    }
    bool OnEraseBkgnd(HDC dc, LRESULT* result) override {
        ++erases;
        const RECT client = GetClientRect();
        HBRUSH brush = ::CreateSolidBrush(eraseColour);
        ::FillRect(dc, &client, brush);
        ::DeleteObject(brush);
        *result = 1;
        return true;
    }
};

}  // namespace

TEST(PrintClient, PaintHandlerDrawsIntoTheCallersDcWithoutTouchingTheScreen) {
    CPrintedWindow wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"printed", WS_POPUP | WS_VISIBLE, kRect, nullptr, 0));
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, 120);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(mem, bitmap);

    // Shifted like a child asking for the part under itself.
    ::SetViewportOrgEx(mem, -20, -10, nullptr);
    ::InvalidateRect(wnd, nullptr, TRUE);
    // Showing the window may have erased it already.
    const int paints = wnd.paints;
    const int erases = wnd.erases;
    wnd.SendMessage(fw::PrintClientMessage(), reinterpret_cast<WPARAM>(mem), PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(wnd.paints, paints + 1);
    EXPECT_EQ(wnd.erases, erases + 1);
    POINT origin = {};
    ::GetViewportOrgEx(mem, &origin);
    EXPECT_EQ(origin.x, -20);
    EXPECT_EQ(origin.y, -10);
    ::SetViewportOrgEx(mem, 0, 0, nullptr);
    EXPECT_EQ(::GetPixel(mem, 0, 0), wnd.paintColour) << "window (20, 10)";
    EXPECT_EQ(::GetPixel(mem, 79, 100), wnd.paintColour) << "window (99, 110)";
    EXPECT_EQ(::GetPixel(mem, 80, 0), wnd.eraseColour) << "window (100, 10): erased only";
    RECT update = {};
    EXPECT_TRUE(::GetUpdateRect(wnd, &update, FALSE)) << "the screen still waits for its own paint";

    // Without PRF_ERASEBKGND nothing is erased.
    wnd.paintColour = RGB(0, 0, 250);
    wnd.SendMessage(fw::PrintClientMessage(), reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    EXPECT_EQ(wnd.erases, erases + 1);
    EXPECT_EQ(::GetPixel(mem, 0, 0), RGB(0, 0, 250));

    // A paint handler that does not paint through CPaintDC: default
    // processing, which erases only once.
    wnd.usePaintDc = false;
    wnd.SendMessage(fw::PrintClientMessage(), reinterpret_cast<WPARAM>(mem), PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(wnd.paints, paints + 3);
    EXPECT_EQ(wnd.erases, erases + 2);

    ::SelectObject(mem, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
}
