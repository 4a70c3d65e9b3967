// CQuickReplyModel: the two lists of the quick-reply page and what may be
// done to them, without a window.
//
//   root 1 "我的回复"  the agent's own quick replies: the settings' list,
//                      changed in place (the page writes it to the settings
//                      file after each change);
//   root 2 "共用回复"  the common replies the server keeps for the whole
//                      organisation (id and text each); changes are shown at
//                      once and sent to the server (MSetCommReply), whose
//                      answer only gives a new reply its id.
//
// A reply is addressed by its root and its index among the root's replies;
// the page's tree shows the lists in this order, so an index is both a
// tree position and a list position (two replies with the same text stay
// two entries). Only organisation roles 1 to 3 change common replies.
//
// UI thread only.
#pragma once

#include "IAnsiCodePage.h"

#include <ImEngineApi.h>

#include <cstdint>
#include <string>
#include <vector>

// Item data of the tree's two roots.
constexpr int REPLY_ROOT_OWN = 1;
constexpr int REPLY_ROOT_COMMON = 2;

// What is selected in the tree: a root (index -1) or one of its replies.
// root 0: nothing.
struct ReplySelection {
    int root = 0;
    int index = -1;

    bool IsRoot() const { return root != 0 && index < 0; }
    bool IsReply() const { return root != 0 && index >= 0; }
};

// Which of the buttons add, modify, delete, up and down may be used.
struct ReplyButtons {
    bool add = false;
    bool modify = false;
    bool remove = false;
    bool up = false;
    bool down = false;

    bool operator==(const ReplyButtons& o) const {
        return add == o.add && modify == o.modify && remove == o.remove && up == o.up && down == o.down;
    }
};

struct CommonReply {
    int32_t id = 0;  // 0 until the server has answered an added reply
    std::wstring text;
};

class CQuickReplyModel {
public:
    // ownReplies: the settings' quick replies (changed in place).
    CQuickReplyModel(std::vector<std::wstring>& ownReplies, const clientui::IAnsiCodePage& codePage);

    // Whether an organisation role may change the common replies.
    static bool MayChangeCommon(int orgRole) { return orgRole >= 1 && orgRole <= 3; }
    // The reply editor's kind for adding to, and for changing a reply of, a
    // root (ReplyEditKind): own quick or common.
    static int AddKind(int root);
    static int ModifyKind(int root);

    const std::vector<std::wstring>& Own() const { return m_own; }
    const std::vector<CommonReply>& Common() const { return m_common; }
    size_t Count(int root) const;
    // The text of a reply; empty for anything else.
    std::wstring Text(const ReplySelection& selection) const;

    // The buttons for a selection: add with a root or a reply of it; the
    // other four with a reply only; up and down only with a previous or next
    // reply. Under the common root nothing for a role outside 1 to 3; a
    // reply still without its id is neither changed nor deleted, and while
    // the server has not answered every change nothing is deleted or moved
    // there (its answer names the reply by position).
    ReplyButtons Buttons(const ReplySelection& selection, int orgRole) const;

    // --- the common replies from the server -------------------------------
    // Replaces the common replies with the engine's records (texts from the
    // ANSI code page); every change sent before counts as answered.
    void SetCommonReplies(const std::vector<CommReplyRecord>& records);
    // The server's answer to a change: the reply at position gets its id.
    // False (nothing changed) when no change waits for an answer or there
    // is no reply at that position.
    bool AssignCommonId(int position, int32_t id);
    bool HasPendingChanges() const { return m_pending > 0; }

    // --- edits -------------------------------------------------------------
    // Each returns the index of the reply now to be selected, or -1 when
    // nothing changed. For the common replies *change receives what to send
    // with MSetCommReply and *operation its operation.
    int Add(int root, const std::wstring& text, CommReplyChange* change = nullptr, int* operation = nullptr);
    int Modify(const ReplySelection& selection, const std::wstring& text, CommReplyChange* change = nullptr,
               int* operation = nullptr);
    // The index to select after the reply is gone (the one now at its
    // place, else the one before it; -1 when the root is empty) ; -2 when
    // nothing changed.
    int Delete(const ReplySelection& selection, CommReplyChange* change = nullptr, int* operation = nullptr);
    // Swaps the reply with the one before it (direction -1) or after it
    // (+1); a common reply takes its id along. Nothing is sent. The index of
    // the moved reply, or -1 when there is no such neighbour.
    int Move(const ReplySelection& selection, int direction);

private:
    CommReplyChange MakeChange(int index) const;
    bool IsValid(const ReplySelection& selection) const;

    std::vector<std::wstring>& m_own;
    const clientui::IAnsiCodePage& m_codePage;
    std::vector<CommonReply> m_common;
    int m_pending = 0;
};
