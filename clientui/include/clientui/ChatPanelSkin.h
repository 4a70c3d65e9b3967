// ChatPanelSkin: the conversation window's own pictures: its frame lines,
// the tool-bar background, the default face, and the picture paths of its
// tool buttons ("Resource\chat\btn") and of the desk's hand-over buttons
// ("Resource\TavrelRes"). The messenger's chat window loads four bitmaps
// and the "Resource\chat\btn" pictures only (ChatSkinSet::Messenger): its
// desk line bitmap stays empty and its hand-over paths stay empty.
#pragma once

#include "clientui/IMResourceComm.h"

#include <memory>

enum class ChatSkinSet { Desk, Messenger };

struct ChatPanelSkin {
    fw::CBitmap m_bmpLine2;        // "Resource\chat\frame_chat_panel_line_2.bmp"
    fw::CBitmap m_bmpDeskLine2;    // "Resource\chat\Tavrel_frame_chat_panel_line_2.bmp"
    fw::CBitmap m_bmpLine3;        // "Resource\chat\frame_chat_panel_line_3.bmp"
    fw::CBitmap m_bmpMainBar;      // "Resource\chat\chat_main_bar_bk.bmp"
    fw::CBitmap m_bmpFace;         // "Resource\Head\face_01.bmp"

    // "Resource\chat\btn\<name>_01.bmp" .. "_03.bmp".
    SkinButtonPaths m_btnSetFont;
    SkinButtonPaths m_btnSetEmo;
    SkinButtonPaths m_btnSendPic;
    SkinButtonPaths m_btnScreenshot;
    SkinButtonPaths m_btnShowMsg;
    SkinButtonPaths m_btnClose;
    SkinButtonPaths m_btnSend;
    SkinButtonPaths m_btnList;
    SkinButtonPaths m_btnSendFile;

    // "Resource\TavrelRes\<name>_01.bmp" .. "_03.bmp".
    SkinButtonPaths m_btnSwitch;
    SkinButtonPaths m_btnGetLine;
    SkinButtonPaths m_btnBreak;
    SkinButtonPaths m_btnStop;
    SkinButtonPaths m_btnBack;

    // programFolder as for CIMResourceComm (empty: the program's folder).
    // Always TRUE; missing files leave their pictures empty.
    BOOL Load(const std::wstring& programFolder = std::wstring(), ChatSkinSet set = ChatSkinSet::Desk);

    // The skin of the folder and set loaded once for every window that
    // shows it: the windows open at one time share its bitmaps, and it is
    // loaded again (the files read afresh) once no window holds it. UI
    // thread only.
    static std::shared_ptr<const ChatPanelSkin> Shared(const std::wstring& programFolder, ChatSkinSet set);
};
