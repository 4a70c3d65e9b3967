#include "clientui/LogonPanelSkin.h"

BOOL LogonPanelSkin::Load(const std::wstring& programFolder) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\LogonPanel\\advert.bmp", m_bmpAdvert);
    m_btnLogin = MakeSkinButtonPaths(folder, L"Resource\\LogonPanel\\btn", L"login01.bmp", L"login02.bmp",
                                     L"login03.bmp");
    return TRUE;
}
