#include "clientui/MsgMgrSkin.h"

namespace {

const wchar_t kFolder[] = L"Resource\\msgMgr";

// "<stem>-01.bmp", "-02.bmp", "-03.bmp".
SkinButtonPaths DashedButton(const std::wstring& programFolder, const wchar_t* stem) {
    const std::wstring base = stem;
    return MakeSkinButtonPaths(programFolder, kFolder, (base + L"-01.bmp").c_str(), (base + L"-02.bmp").c_str(),
                               (base + L"-03.bmp").c_str());
}

}  // namespace

BOOL MsgMgrSkin::Load(const std::wstring& programFolder) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\msgMgr\\ToolBar.bmp", m_bmpToolBar);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\comm\\frame_bottom.bmp", m_bmpBottom);

    m_strIco01 = MakeSkinButtonPath(folder, kFolder, L"ico01.bmp");
    m_btnIco03 = MakeSkinButtonPaths(folder, kFolder, L"ico03.bmp", L"ico03.bmp", L"ico03.bmp");
    m_btnIco02 = MakeSkinButtonPaths(folder, kFolder, L"ico02.bmp", L"ico02.bmp", L"ico02.bmp");
    m_strBackNormal = MakeSkinButtonPath(folder, kFolder, L"back_normal.png");
    m_btnSearch = DashedButton(folder, L"search");
    m_btnData = DashedButton(folder, L"data");
    m_btnFirst = DashedButton(folder, L"first");
    m_btnLast = DashedButton(folder, L"last");
    m_btnNext = DashedButton(folder, L"next");
    m_btnPrew = DashedButton(folder, L"prew");
    return TRUE;
}
