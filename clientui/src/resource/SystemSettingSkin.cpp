#include "clientui/SystemSettingSkin.h"

BOOL SystemSettingSkin::Load(const std::wstring& programFolder) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\System\\ico_setting.bmp", m_bmpIcon);

    const wchar_t* const btn = L"Resource\\System";
    m_strChoiceMulti[0] = MakeSkinButtonPath(folder, btn, L"choice_multi_01.bmp");
    m_strChoiceMulti[1] = MakeSkinButtonPath(folder, btn, L"choice_multi_02.bmp");
    // The file names are written this way in the skin set.
    m_strChoiceSingle[0] = MakeSkinButtonPath(folder, btn, L"choice_sigle_01.bmp");
    m_strChoiceSingle[1] = MakeSkinButtonPath(folder, btn, L"choice_sigle_02.bmp");
    m_btnAddMes = MakeSkinButtonPaths(folder, btn, L"addmes_01.bmp", L"addmes_02.bmp", L"addmes_03.bmp");
    m_btnCorrect = MakeSkinButtonPaths(folder, btn, L"correct_01.bmp", L"correct_02.bmp", L"correct_03.bmp");
    m_btnDeleteMes = MakeSkinButtonPaths(folder, btn, L"deletemes_01.bmp", L"deletemes_02.bmp", L"deletemes_03.bmp");
    return TRUE;
}
