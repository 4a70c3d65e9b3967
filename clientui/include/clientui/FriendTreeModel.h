// CFriendTreeModel: what the contact tree decides without a window: its own
// copies of the contacts' records (by user id, never pointers into the
// engine's containers, which a refill may free), the order of users within a
// group, the online and total counts and the text of a group row, the face
// and status pictures of a user, the texts of a user row, and the list of
// flashing users with their phases.
#pragma once

#include "ImEngineApi.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The tree's copy of one user's record.
struct FriendTreeContact {
    int32_t userId = 0;
    int32_t faceKind = 0;       // the record's word at +4
    int32_t status = STATUS_OFFLINE;
    std::string nicknameBytes;  // the nickname as 8-bit text, for ordering
    std::wstring nickname;
    std::wstring memo;          // the remark on the user
    std::wstring signature;

    static FriendTreeContact FromRecord(const UserInfoBase& record);
};

class CFriendTreeModel {
public:
    // One flashing user: its id and its phase counter.
    struct FlashEntry {
        int32_t userId = 0;
        unsigned counter = 0;
    };

    // User order within a group: by status number, smaller first, except
    // that equal statuses, and invisible (4) against offline (5), compare
    // the nicknames byte by byte as unsigned 8-bit text. Negative, 0 or
    // positive like strcmp.
    static int CompareUsers(const FriendTreeContact& a, const FriendTreeContact& b);
    static bool UserBefore(const FriendTreeContact& a, const FriendTreeContact& b) { return CompareUsers(a, b) < 0; }

    // A user counts as online with a status below 4.
    static bool IsOnline(int32_t status) { return status < STATUS_INVISIBLE; }
    // "name [online/total]" when the group has members, else the name alone.
    static std::wstring GroupText(const std::wstring& name, int online, int total);
    // The face image: v + 2 * min(k, 0) with v 0 for statuses 0 to 3 and 1
    // above; -1 (no face) when that is negative.
    static int FaceImage(int32_t status, int32_t faceKind);
    // Statuses 1 to 3 carry a status picture over the face.
    static bool HasStatusMark(int32_t status) { return status >= STATUS_BUSY && status <= STATUS_DND; }
    // A remark counts when it is not empty and does not begin with "0".
    static bool IsRemark(const std::wstring& memo);
    static bool HasRemark(const FriendTreeContact& contact) { return IsRemark(contact.memo); }
    // The signature line: the signature, or the placeholder when it is empty
    // or begins with "0".
    static std::wstring SignatureLine(const FriendTreeContact& contact);
    // The first line: the remark followed by "(nickname)" when there is a
    // remark (first: the black part, second: the gray part), else the nickname.
    static std::pair<std::wstring, std::wstring> FirstLine(const FriendTreeContact& contact);

    // Contacts.
    void ClearContacts() { m_contacts.clear(); }
    void SetContact(const FriendTreeContact& contact) { m_contacts[contact.userId] = contact; }
    const FriendTreeContact* FindContact(int32_t userId) const;
    // Writes a new status into the copy; false when the user is unknown.
    bool SetStatus(int32_t userId, int32_t status);
    size_t ContactCount() const { return m_contacts.size(); }
    // Order of two users by id (unknown ids last, by id).
    int CompareIds(int32_t a, int32_t b) const;
    // Counts over a group's member ids: {online, total}.
    std::pair<int, int> CountGroup(const std::vector<int32_t>& memberIds) const;

    // Flashing. AddFlash answers whether the list was empty before; a user
    // already flashing is not added twice.
    bool AddFlash(int32_t userId);
    void RemoveFlash(int32_t userId);
    bool IsFlashing(int32_t userId) const;
    const std::vector<FlashEntry>& FlashEntries() const { return m_flashing; }
    // One flash step: every entry in list order with its phase (counter & 1);
    // each counter is incremented.
    std::vector<std::pair<int32_t, int>> TakeFlashStep();

private:
    std::map<int32_t, FriendTreeContact> m_contacts;
    std::vector<FlashEntry> m_flashing;
};
