// IChatWindowInfo: what the panel registry reads from an open conversation
// window. A conversation window derives from CPanelBase and this interface.
#pragma once

#include <cstdint>

// Conversation kinds.
constexpr int kChatKindSingleUser = 1;  // a conversation with one user

class IChatWindowInfo {
public:
    virtual ~IChatWindowInfo() = default;
    // The conversation's kind (kChatKindSingleUser for one user).
    virtual int GetChatKind() const = 0;
    // The user the conversation is with.
    virtual int32_t GetChatUserId() const = 0;
};
