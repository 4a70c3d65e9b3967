#include "clientui/FriendTreeModel.h"

#include "fw/StringUtil.h"

#include <algorithm>

namespace {

// An 8-bit text field up to its NUL, never past the field.
std::string FieldBytes(const char* field, size_t size) {
    size_t length = 0;
    while (length < size && field[length]) ++length;
    return std::string(field, length);
}

bool StartsWithZero(const std::wstring& text) { return !text.empty() && text[0] == L'0'; }

}  // namespace

FriendTreeContact FriendTreeContact::FromRecord(const UserInfoBase& record) {
    FriendTreeContact c;
    c.userId = record.userId;
    c.faceKind = record.carried;
    c.status = record.status;
    c.nicknameBytes = FieldBytes(record.nickname, sizeof record.nickname);
    c.nickname = fw::FromAnsiField(record.nickname);
    c.memo = fw::FromAnsiField(record.memo);
    c.signature = fw::FromAnsiField(record.signature);
    return c;
}

int CFriendTreeModel::CompareUsers(const FriendTreeContact& a, const FriendTreeContact& b) {
    const bool hiddenPair = (a.status == STATUS_INVISIBLE && b.status == STATUS_OFFLINE) ||
                            (a.status == STATUS_OFFLINE && b.status == STATUS_INVISIBLE);
    if (a.status == b.status || hiddenPair) {
        const size_t n = std::min(a.nicknameBytes.size(), b.nicknameBytes.size());
        for (size_t i = 0; i < n; ++i) {
            const unsigned char ca = static_cast<unsigned char>(a.nicknameBytes[i]);
            const unsigned char cb = static_cast<unsigned char>(b.nicknameBytes[i]);
            if (ca != cb) return ca < cb ? -1 : 1;
        }
        if (a.nicknameBytes.size() == b.nicknameBytes.size()) return 0;
        return a.nicknameBytes.size() < b.nicknameBytes.size() ? -1 : 1;
    }
    return a.status < b.status ? -1 : 1;
}

std::wstring CFriendTreeModel::GroupText(const std::wstring& name, int online, int total) {
    if (total <= 0) return name;
    return fw::FormatString(L"%ls [%d/%d]", name.c_str(), online, total);
}

int CFriendTreeModel::FaceImage(int32_t status, int32_t faceKind) {
    const int v = status >= 0 && status <= STATUS_DND ? 0 : 1;
    const int index = v + 2 * std::min<int32_t>(faceKind, 0);
    return index < 0 ? -1 : index;
}

bool CFriendTreeModel::IsRemark(const std::wstring& memo) {
    return !memo.empty() && !StartsWithZero(memo);
}

std::wstring CFriendTreeModel::SignatureLine(const FriendTreeContact& contact) {
    if (contact.signature.empty() || StartsWithZero(contact.signature))
        return L"\u6682\u65E0\u4E2A\u6027\u7B7E\u540D\u4FE1\u606F";  // "no personal signature yet"
    return contact.signature;
}

std::pair<std::wstring, std::wstring> CFriendTreeModel::FirstLine(const FriendTreeContact& contact) {
    if (HasRemark(contact)) return {contact.memo, fw::FormatString(L"(%ls)", contact.nickname.c_str())};
    return {contact.nickname, std::wstring()};
}

const FriendTreeContact* CFriendTreeModel::FindContact(int32_t userId) const {
    auto it = m_contacts.find(userId);
    return it == m_contacts.end() ? nullptr : &it->second;
}

bool CFriendTreeModel::SetStatus(int32_t userId, int32_t status) {
    auto it = m_contacts.find(userId);
    if (it == m_contacts.end()) return false;
    it->second.status = status;
    return true;
}

int CFriendTreeModel::CompareIds(int32_t a, int32_t b) const {
    const FriendTreeContact* ca = FindContact(a);
    const FriendTreeContact* cb = FindContact(b);
    if (ca && cb) return CompareUsers(*ca, *cb);
    if (ca != cb) return ca ? -1 : 1;
    return a < b ? -1 : (a > b ? 1 : 0);
}

std::pair<int, int> CFriendTreeModel::CountGroup(const std::vector<int32_t>& memberIds) const {
    int online = 0;
    for (int32_t id : memberIds) {
        const FriendTreeContact* c = FindContact(id);
        if (c && IsOnline(c->status)) ++online;
    }
    return {online, static_cast<int>(memberIds.size())};
}

bool CFriendTreeModel::AddFlash(int32_t userId) {
    const bool wasEmpty = m_flashing.empty();
    if (!IsFlashing(userId)) m_flashing.push_back(FlashEntry{userId, 0});
    return wasEmpty;
}

void CFriendTreeModel::RemoveFlash(int32_t userId) {
    m_flashing.erase(std::remove_if(m_flashing.begin(), m_flashing.end(),
                                    [userId](const FlashEntry& e) { return e.userId == userId; }),
                     m_flashing.end());
}

bool CFriendTreeModel::IsFlashing(int32_t userId) const {
    return std::any_of(m_flashing.begin(), m_flashing.end(),
                       [userId](const FlashEntry& e) { return e.userId == userId; });
}

std::vector<std::pair<int32_t, int>> CFriendTreeModel::TakeFlashStep() {
    std::vector<std::pair<int32_t, int>> step;
    step.reserve(m_flashing.size());
    for (FlashEntry& e : m_flashing) {
        step.emplace_back(e.userId, static_cast<int>(e.counter & 1u));
        ++e.counter;
    }
    return step;
}
