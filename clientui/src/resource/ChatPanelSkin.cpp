#include "clientui/ChatPanelSkin.h"

#include <map>
#include <utility>

namespace {

// "<folder>\<stem>_01.bmp", "_02.bmp", "_03.bmp".
SkinButtonPaths NumberedButton(const std::wstring& programFolder, const wchar_t* folder, const wchar_t* stem) {
    const std::wstring base = stem;
    return MakeSkinButtonPaths(programFolder, folder, (base + L"_01.bmp").c_str(), (base + L"_02.bmp").c_str(),
                               (base + L"_03.bmp").c_str());
}

}  // namespace

BOOL ChatPanelSkin::Load(const std::wstring& programFolder, ChatSkinSet set) {
    const std::wstring folder = ResolveSkinProgramFolder(programFolder);
    const bool desk = set == ChatSkinSet::Desk;
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\chat\\frame_chat_panel_line_2.bmp", m_bmpLine2);
    if (desk)
        CIMResourceComm::LoadBitmapFile(folder + L"Resource\\chat\\Tavrel_frame_chat_panel_line_2.bmp",
                                        m_bmpDeskLine2);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\chat\\frame_chat_panel_line_3.bmp", m_bmpLine3);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\chat\\chat_main_bar_bk.bmp", m_bmpMainBar);
    CIMResourceComm::LoadBitmapFile(folder + L"Resource\\Head\\face_01.bmp", m_bmpFace);

    const wchar_t* const chat = L"Resource\\chat\\btn";
    m_btnSetFont = NumberedButton(folder, chat, L"setFont");
    m_btnSetEmo = NumberedButton(folder, chat, L"setEmo");
    m_btnSendPic = NumberedButton(folder, chat, L"sendPic");
    m_btnScreenshot = NumberedButton(folder, chat, L"screenshot");
    m_btnShowMsg = NumberedButton(folder, chat, L"showMsg");
    m_btnClose = NumberedButton(folder, chat, L"close");
    m_btnSend = NumberedButton(folder, chat, L"send");
    m_btnList = NumberedButton(folder, chat, L"list");
    m_btnSendFile = NumberedButton(folder, chat, L"sendFile");

    if (!desk) return TRUE;
    const wchar_t* const handOver = L"Resource\\TavrelRes";
    m_btnSwitch = NumberedButton(folder, handOver, L"switch");
    m_btnGetLine = NumberedButton(folder, handOver, L"getline");
    m_btnBreak = NumberedButton(folder, handOver, L"break");
    m_btnStop = NumberedButton(folder, handOver, L"stop");
    m_btnBack = NumberedButton(folder, handOver, L"back");
    return TRUE;
}

std::shared_ptr<const ChatPanelSkin> ChatPanelSkin::Shared(const std::wstring& programFolder, ChatSkinSet set) {
    static std::map<std::pair<std::wstring, ChatSkinSet>, std::weak_ptr<const ChatPanelSkin>> loaded;
    const auto key = std::make_pair(ResolveSkinProgramFolder(programFolder), set);
    if (std::shared_ptr<const ChatPanelSkin> skin = loaded[key].lock()) return skin;
    auto skin = std::make_shared<ChatPanelSkin>();
    skin->Load(key.first, set);
    loaded[key] = skin;
    return skin;
}
