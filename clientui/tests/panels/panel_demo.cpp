// A sample panel drawn with the generated skin: caption strip with icon,
// title and caption buttons, a child view with a list, an edit, the bottom
// bar with two dialog buttons, the size grip and the frame. It closes after
// the number of seconds given on the command line (default: stays until
// closed), so a script can take its screenshot.
#include "PanelTestResources.h"

#include "clientui/ButtonST.h"
#include "clientui/ChildViewBase.h"
#include "clientui/PanelBase.h"
#include "clientui/PanelDrawing.h"
#include "clientui/PanelRegistry.h"

#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/MemoryDC.h"
#include "fw/MessageLoop.h"

#include <commctrl.h>

#include <cwchar>
#include <cstdlib>

namespace {

const int kCaption = 28;
const int kBottomBar = 28;

class CDemoView : public CChildViewBase {
public:
    CDemoView() : CChildViewBase(IDD_TEST_CHILD_VIEW) {}
    int LayoutControls(int width, int height) override {
        if (HWND list = GetDlgItem(IDC_TEST_LIST)) ::MoveWindow(list, 0, 0, width, height, TRUE);
        return 1;
    }

protected:
    BOOL OnInitDialog() override {
        HWND list = GetDlgItem(IDC_TEST_LIST);
        // "张三 (在线)", "李四 (忙碌)", "王五 (离开)", "赵六 (离线)"
        const wchar_t* rows[] = {L"\u5F20\u4E09 (\u5728\u7EBF)", L"\u674E\u56DB (\u5FD9\u788C)",
                                 L"\u738B\u4E94 (\u79BB\u5F00)", L"\u8D75\u516D (\u79BB\u7EBF)"};
        for (const wchar_t* row : rows) ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        return TRUE;
    }
};

class CDemoPanel : public CPanelBase {
public:
    CDemoPanel() : CPanelBase(IDD_TEST_PANEL) {
        SetMaximizable(true);
        SetResizable(true);
    }

protected:
    BOOL OnInitDialog() override {
        CPanelBase::OnInitDialog();
        // "客服工作台"
        SetWindowText(L"\u5BA2\u670D\u5DE5\u4F5C\u53F0");
        if (m_skin.m_hIcon) {
            SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_skin.m_hIcon));
            SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_skin.m_hIcon));
        }
        m_sure.SubclassDlgItem(IDC_TEST_SURE, m_hWnd);
        m_sure.SetBitmaps(m_skin.m_btnSure.normal, m_skin.m_btnSure.hover, m_skin.m_btnSure.pressed,
                          m_skin.m_btnSure.normal);
        m_cancel.SubclassDlgItem(IDC_TEST_CANCEL, m_hWnd);
        m_cancel.SetBitmaps(m_skin.m_btnCancel.normal, m_skin.m_btnCancel.hover, m_skin.m_btnCancel.pressed,
                            m_skin.m_btnCancel.normal);
        m_refresh.SubclassDlgItem(IDC_TEST_GRADIENT, m_hWnd);
        m_refresh.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()), TRUE);
        m_refresh.SetColor(CButtonST::kColourFgOut, RGB(0x33, 0x33, 0x33), false);
        m_refresh.SetColor(CButtonST::kColourFgIn, RGB(0x10, 0x40, 0x80), false);
        // "重新读取客户列表"
        m_refresh.SetToolTip(L"\u91CD\u65B0\u8BFB\u53D6\u5BA2\u6237\u5217\u8868");
        ::SendMessageW(GetDlgItem(IDC_TEST_EDIT), WM_SETFONT, reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()),
                       TRUE);
        // "搜索联系人"
        ::SendMessageW(GetDlgItem(IDC_TEST_EDIT), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"\u641C\u7D22\u8054\u7CFB\u4EBA"));
        ::SetWindowTextW(GetDlgItem(IDC_TEST_EDIT), L"\u641C\u7D22\u8054\u7CFB\u4EBA");
        m_view.Create(m_hWnd);
        ::SendMessageW(m_view.GetDlgItem(IDC_TEST_LIST), WM_SETFONT,
                       reinterpret_cast<WPARAM>(m_skin.m_fontNormal.Get()), TRUE);
        MoveWindow(RECT{40, 40, 400, 360});
        Layout();
        return TRUE;
    }

    bool OnSize(UINT type, int cx, int cy) override {
        CPanelBase::OnSize(type, cx, cy);
        if (type != SIZE_MINIMIZED) Layout();
        return true;
    }

    bool OnPaint() override {
        fw::CPaintDC paint(m_hWnd);
        const RECT client = GetClientRect();
        const int w = client.right;
        const int h = client.bottom;
        fw::CMemoryDC mem(paint, w, h);
        if (!mem.IsValid()) return true;
        // Body, caption strip, bottom bar, grip.
        DrawGradientRect(RECT{0, kCaption, w, h - kBottomBar}, RGB(255, 255, 255), RGB(0xF4, 0xF7, 0xFB), mem);
        DrawBitmapTiled(m_skin.m_bmpTitle, mem, 0, 0, w, kCaption);
        DrawBitmapTiled(m_skin.m_bmpBottom, mem, 0, h - kBottomBar, w, h);
        DrawBitmapAt(mem, m_skin.m_bmpResize, w - kPanelGripSize, h - kPanelGripSize);
        if (m_skin.m_hIcon) ::DrawIconEx(mem, 6, 6, m_skin.m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
        ::SetBkMode(mem, TRANSPARENT);
        {
            fw::CSelectObject font(mem, m_skin.m_fontBold.Get());
            ::SetTextColor(mem, RGB(255, 255, 255));
            const std::wstring title = GetWindowText();
            ::TextOutW(mem, 28, 8, title.c_str(), static_cast<int>(title.size()));
        }
        {
            fw::CSelectObject font(mem, m_skin.m_fontNormal.Get());
            ::SetTextColor(mem, RGB(0x33, 0x33, 0x33));
            // "我的客户"
            const wchar_t label[] = L"\u6211\u7684\u5BA2\u6237";
            ::TextOutW(mem, 12, 72, label, static_cast<int>(std::wcslen(label)));
        }
        DrawPanelFrame(mem, m_hWnd);
        mem.CopyTo(paint);
        return true;
    }

private:
    void Layout() {
        const RECT client = GetClientRect();
        const int w = client.right;
        const int h = client.bottom;
        int x = w - 4;
        for (CSkinBtn* button : {&m_btnClose, &m_btnMax, &m_btnMin}) {
            if (!button->IsWindow()) continue;
            const int width = button == &m_btnClose ? 29 : (button == &m_btnMax ? 21 : 22);
            x -= width;
            button->MoveWindow(RECT{x, 0, x + width, 18});
        }
        if (HWND edit = GetDlgItem(IDC_TEST_EDIT)) ::MoveWindow(edit, 12, 38, w - 24, 22, TRUE);
        if (m_view.IsWindow()) m_view.MoveWindow(RECT{12, 90, w - 12, h - kBottomBar - 8});
        m_refresh.MoveWindow(RECT{9, h - 25, 85, h - 4});
        m_sure.MoveWindow(RECT{w - 112, h - 25, w - 63, h - 4});
        m_cancel.MoveWindow(RECT{w - 58, h - 25, w - 9, h - 4});
    }

    CSkinBtn m_sure;
    CSkinBtn m_cancel;
    CButtonST m_refresh;
    CDemoView m_view;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    fw::CGdiPlusSession gdiplus;
    gdiplus.Start();
    const int seconds = commandLine ? std::wcstol(commandLine, nullptr, 10) : 0;

    auto* panel = new CDemoPanel();
    if (!panel->Create(nullptr)) return 1;
    CPanelRegistry::GetInstance()->AddPanel(panel);
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (CPanelRegistry::GetInstance()->Holds(panel)) {
        if (seconds > 0 && ::GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) break;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_TIMEOUT) continue;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::CMessageLoop::Process(msg);
    }
    CPanelRegistry::DestroyInstance();
    gdiplus.Shutdown();
    return 0;
}
