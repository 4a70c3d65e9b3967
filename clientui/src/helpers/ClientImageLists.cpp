#include "clientui/ClientImageLists.h"

#include "fw/StringUtil.h"

#include <commctrl.h>

const FaceListSpec& DeskFaceList() {
    static const FaceListSpec spec = {16, {L"Face\\small\\boy_0.bmp", L"Face\\small\\boy_1.bmp"}};
    return spec;
}

const FaceListSpec& MessengerFaceList() {
    static const FaceListSpec spec = {40, {L"Face\\0_0.bmp", L"Face\\0_1.bmp"}};
    return spec;
}

int CClientImageLists::FaceImageIndex(int kind, int index) {
    if (kind >= 1) kind = 0;
    if (index >= 4) index = 1;
    return index + 2 * kind;
}

BOOL CClientImageLists::Load(const std::wstring& programFolder, const FaceListSpec& faces) {
    const std::wstring resource = programFolder + L"Resource\\";

    m_faces.Create(faces.size, faces.size, ILC_COLORDDB | ILC_MASK);
    for (const std::wstring& file : faces.files) m_faces.AddBitmapFile(resource + file, kMaskColour);
    m_faces.MakeCache();

    // 32-bit with a mask: a device-dependent list without one shows the
    // icons' transparent corners white.
    m_tray.Create(32, 32, ILC_COLOR32 | ILC_MASK);
    const std::wstring trayFolder = resource + L"Status\\sysTray";
    for (int status = 0; status < kStatusCount; ++status)
        m_tray.AddIconFile(fw::FormatString(L"%ls\\sysTray_%d.ico", trayFolder.c_str(), status));
    m_tray.MakeCache();

    m_statuses.Create(11, 11, ILC_COLOR32 | ILC_MASK);
    const std::wstring statusFolder = resource + L"Status";
    for (int status = 0; status < kStatusCount; ++status)
        m_statuses.AddBitmapFile(fw::FormatString(L"%ls\\status_%d.bmp", statusFolder.c_str(), status), kMaskColour);
    m_statuses.MakeCache();
    return TRUE;
}
