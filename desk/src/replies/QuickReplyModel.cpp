#include "QuickReplyModel.h"

#include "clientui/ReplyEditor.h"

#include <utility>

CQuickReplyModel::CQuickReplyModel(std::vector<std::wstring>& ownReplies, const clientui::IAnsiCodePage& codePage)
    : m_own(ownReplies), m_codePage(codePage) {}

int CQuickReplyModel::AddKind(int root) {
    return root == REPLY_ROOT_COMMON ? kReplyKindAddCommon : kReplyKindAddQuick;
}

int CQuickReplyModel::ModifyKind(int root) {
    return root == REPLY_ROOT_COMMON ? kReplyKindModifyCommon : kReplyKindModifyQuick;
}

size_t CQuickReplyModel::Count(int root) const {
    if (root == REPLY_ROOT_OWN) return m_own.size();
    if (root == REPLY_ROOT_COMMON) return m_common.size();
    return 0;
}

bool CQuickReplyModel::IsValid(const ReplySelection& selection) const {
    return selection.IsReply() && static_cast<size_t>(selection.index) < Count(selection.root);
}

std::wstring CQuickReplyModel::Text(const ReplySelection& selection) const {
    if (!IsValid(selection)) return std::wstring();
    const size_t i = static_cast<size_t>(selection.index);
    return selection.root == REPLY_ROOT_OWN ? m_own[i] : m_common[i].text;
}

ReplyButtons CQuickReplyModel::Buttons(const ReplySelection& selection, int orgRole) const {
    ReplyButtons b;
    if (selection.root != REPLY_ROOT_OWN && selection.root != REPLY_ROOT_COMMON) return b;
    if (selection.root == REPLY_ROOT_COMMON && !MayChangeCommon(orgRole)) return b;
    b.add = true;
    if (!IsValid(selection)) return b;
    const size_t i = static_cast<size_t>(selection.index);
    b.modify = b.remove = true;
    b.up = i > 0;
    b.down = i + 1 < Count(selection.root);
    if (selection.root == REPLY_ROOT_COMMON) {
        if (m_common[i].id == 0) b.modify = b.remove = false;
        if (m_pending > 0) b.remove = b.up = b.down = false;
    }
    return b;
}

void CQuickReplyModel::SetCommonReplies(const std::vector<CommReplyRecord>& records) {
    m_common.clear();
    m_common.reserve(records.size());
    for (const CommReplyRecord& record : records) {
        // The text is read up to its first NUL, as the server sent it.
        const size_t length = record.text.find('\0');
        m_common.push_back(
            CommonReply{record.id, m_codePage.FromAnsi(record.text.data(),
                                                       length == std::string::npos ? record.text.size() : length)});
    }
    m_pending = 0;
}

bool CQuickReplyModel::AssignCommonId(int position, int32_t id) {
    if (m_pending <= 0 || position < 0 || static_cast<size_t>(position) >= m_common.size()) return false;
    m_common[static_cast<size_t>(position)].id = id;
    --m_pending;
    return true;
}

CommReplyChange CQuickReplyModel::MakeChange(int index) const {
    CommReplyChange change;
    change.id = m_common[static_cast<size_t>(index)].id;
    change.position = index;
    change.text = m_codePage.ToAnsi(m_common[static_cast<size_t>(index)].text);
    return change;
}

int CQuickReplyModel::Add(int root, const std::wstring& text, CommReplyChange* change, int* operation) {
    if (text.empty()) return -1;
    if (root == REPLY_ROOT_OWN) {
        m_own.push_back(text);
        return static_cast<int>(m_own.size() - 1);
    }
    if (root != REPLY_ROOT_COMMON) return -1;
    m_common.push_back(CommonReply{0, text});
    const int index = static_cast<int>(m_common.size() - 1);
    ++m_pending;
    if (change) *change = MakeChange(index);
    if (operation) *operation = COMMREPLY_OP_SET;
    return index;
}

int CQuickReplyModel::Modify(const ReplySelection& selection, const std::wstring& text, CommReplyChange* change,
                             int* operation) {
    if (!IsValid(selection) || text.empty()) return -1;
    const size_t i = static_cast<size_t>(selection.index);
    if (selection.root == REPLY_ROOT_OWN) {
        m_own[i] = text;
        return selection.index;
    }
    if (m_common[i].id == 0) return -1;  // its id is not known yet
    m_common[i].text = text;
    ++m_pending;
    if (change) *change = MakeChange(selection.index);
    if (operation) *operation = COMMREPLY_OP_SET;
    return selection.index;
}

int CQuickReplyModel::Delete(const ReplySelection& selection, CommReplyChange* change, int* operation) {
    if (!IsValid(selection)) return -2;
    const size_t i = static_cast<size_t>(selection.index);
    if (selection.root == REPLY_ROOT_OWN) {
        m_own.erase(m_own.begin() + selection.index);
    } else {
        if (m_common[i].id == 0 || m_pending > 0) return -2;
        CommReplyChange gone = MakeChange(selection.index);
        gone.text.clear();  // a delete carries no text
        m_common.erase(m_common.begin() + selection.index);
        if (change) *change = gone;
        if (operation) *operation = COMMREPLY_OP_DELETE;
    }
    const size_t left = Count(selection.root);
    if (left == 0) return -1;
    return static_cast<int>(i < left ? i : left - 1);
}

int CQuickReplyModel::Move(const ReplySelection& selection, int direction) {
    if (!IsValid(selection) || (direction != -1 && direction != 1)) return -1;
    const int other = selection.index + direction;
    if (other < 0 || static_cast<size_t>(other) >= Count(selection.root)) return -1;
    if (selection.root == REPLY_ROOT_OWN) {
        std::swap(m_own[static_cast<size_t>(selection.index)], m_own[static_cast<size_t>(other)]);
    } else {
        if (m_pending > 0) return -1;
        std::swap(m_common[static_cast<size_t>(selection.index)], m_common[static_cast<size_t>(other)]);
    }
    return other;
}
