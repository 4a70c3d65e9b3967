#include "clientui/UserInfoSkin.h"

BOOL UserInfoSkin::Load(const std::wstring& programFolder) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\comm\\frame_bottom.bmp", m_bmpBottom);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\UserInfo\\pic.bmp", m_bmpPicture);

    const wchar_t* const btn = L"Resource\\UserInfo";
    m_btnRefresh = MakeSkinButtonPaths(folder, btn, L"refresh_01.bmp", L"refresh_02.bmp", L"refresh_03.bmp");
    m_btnApply = MakeSkinButtonPaths(folder, btn, L"apply_01.bmp", L"apply_02.bmp", L"apply_03.bmp");
    m_strSystem = MakeSkinButtonPath(folder, btn, L"system.bmp");
    m_btnChangePic = MakeSkinButtonPaths(folder, btn, L"changepic_01.bmp", L"changepic_02.bmp", L"changepic_03.bmp");
    return TRUE;
}
