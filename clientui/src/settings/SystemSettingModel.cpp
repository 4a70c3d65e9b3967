#include "clientui/SystemSettingModel.h"

CSystemSettingModel::CSystemSettingModel(CClientSettings& settings) : m_settings(settings) { Reset(); }

void CSystemSettingModel::Reset() {
    const int index = m_settings.iListIndex;
    m_selected = index >= 0 && index < ReplyCount() ? index : -1;
    m_changed = false;
}

void CSystemSettingModel::SetAutoReply(bool on) {
    m_settings.bAutoReply = on;
    m_changed = true;
}

void CSystemSettingModel::SetPopUp(bool on) {
    m_settings.bPopUp = on;
    m_changed = true;
}

void CSystemSettingModel::SetSound(int choice) {
    m_settings.iSound = choice;
    m_changed = true;
}

void CSystemSettingModel::SetState(int state) {
    m_settings.iState = state;
    m_changed = true;
}

void CSystemSettingModel::SetSoundPath(const std::wstring& path) {
    m_settings.soundPath = path;
    m_changed = true;
}

void CSystemSettingModel::SyncCount() { m_settings.iReplyCount = ReplyCount(); }

void CSystemSettingModel::Select(int row) {
    m_selected = row >= 0 && row < ReplyCount() ? row : -1;
    if (m_selected >= 0) m_settings.iListIndex = m_selected;
    m_changed = true;
}

bool CSystemSettingModel::Add(const std::wstring& text) {
    if (!CanAdd() || text.empty()) return false;
    m_settings.autoReplies.push_back(text);
    SyncCount();
    m_changed = true;
    return true;
}

bool CSystemSettingModel::ModifySelected(const std::wstring& text) {
    if (m_selected < 0 || m_selected >= ReplyCount() || text.empty()) return false;
    m_settings.autoReplies[static_cast<size_t>(m_selected)] = text;
    m_changed = true;
    return true;
}

bool CSystemSettingModel::DeleteSelected() {
    if (m_selected < 0 || m_selected >= ReplyCount()) return false;
    m_settings.autoReplies.erase(m_settings.autoReplies.begin() + m_selected);
    SyncCount();
    if (m_selected > 0)
        --m_selected;
    else if (ReplyCount() == 0)
        m_selected = -1;
    if (ReplyCount() == 0) m_settings.bAutoReply = false;
    m_settings.iListIndex = m_selected >= 0 ? m_selected : 0;
    m_changed = true;
    return true;
}

CSystemSettingModel::SaveOutcome CSystemSettingModel::Save() {
    if (m_settings.autoReplies.empty()) return SaveOutcome::EmptyList;
    if (!m_changed) return SaveOutcome::NothingChanged;
    m_settings.SaveSystemSetting();
    m_changed = false;
    return SaveOutcome::Saved;
}

void CSystemSettingModel::Discard() {
    if (m_settings.accountId != 0) m_settings.LoadSystemSetting(m_settings.accountId);
    Reset();
}
