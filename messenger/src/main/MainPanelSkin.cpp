#include "MainPanelSkin.h"

BOOL MainPanelSkin::Load(const std::wstring& programFolder) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\MainPanel\\frame_main_panel_line_2.bmp", m_bmpHeader);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\Head\\face_01.bmp", m_bmpFace);
    const wchar_t* const search = L"Resource\\Comm\\search";
    m_strSearchLeft = MakeSkinButtonPath(folder, search, L"left.bmp");
    m_strSearchRight = MakeSkinButtonPath(folder, search, L"right.bmp");
    m_strSearchMid = MakeSkinButtonPath(folder, search, L"mid.bmp");
    m_strSearch = MakeSkinButtonPath(folder, search, L"search.bmp");
    m_strSearchClose = MakeSkinButtonPath(folder, search, L"close.bmp");
    return TRUE;
}
