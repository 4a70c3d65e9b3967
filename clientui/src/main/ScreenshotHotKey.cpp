#include "clientui/ScreenshotHotKey.h"

namespace {

constexpr wchar_t kHotKeyAtomName[] = L"QORVANEIMSCREENSHOTKEY";
constexpr ATOM kFirstStringAtom = 0xC000;

}  // namespace

void CScreenshotHotKey::Register(HWND window) {
    const ATOM atom = ::GlobalAddAtomW(kHotKeyAtomName);
    if (atom < kFirstStringAtom) return;  // no atom: no hot key
    m_window = window;
    m_id = atom - kFirstStringAtom;
    ::RegisterHotKey(m_window, m_id, MOD_CONTROL, VK_NUMPAD0);
}

void CScreenshotHotKey::Unregister() {
    if (m_id < 0) return;
    ::UnregisterHotKey(m_window, m_id);
    ::GlobalDeleteAtom(static_cast<ATOM>(m_id + kFirstStringAtom));
    m_id = -1;
}
