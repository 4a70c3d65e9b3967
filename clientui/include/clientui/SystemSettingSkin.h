// SystemSettingSkin: the settings panel's own pictures: its icon and the
// picture paths of its choice marks and buttons ("Resource\System").
#pragma once

#include "clientui/IMResourceComm.h"

struct SystemSettingSkin {
    fw::CBitmap m_bmpIcon;               // "Resource\System\ico_setting.bmp"

    std::wstring m_strChoiceMulti[2];    // choice_multi_01.bmp, choice_multi_02.bmp
    std::wstring m_strChoiceSingle[2];   // choice_sigle_01.bmp, choice_sigle_02.bmp
    SkinButtonPaths m_btnAddMes;         // addmes_01..03.bmp
    SkinButtonPaths m_btnCorrect;        // correct_01..03.bmp
    SkinButtonPaths m_btnDeleteMes;      // deletemes_01..03.bmp

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring());
};
