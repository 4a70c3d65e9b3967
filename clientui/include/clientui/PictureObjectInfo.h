// PictureObjectInfo: the record that every picture object the clients put
// into a rich edit carries in its object's user word (REOBJECT.dwUser).
//
// The user word is 32 bits wide in every build, so it holds the record's
// key, not its address: each record takes a key when it is made and gives
// it back when it is destroyed, and FromKey finds a live record by its key.
// A key whose record is gone finds nothing, never freed memory.
#pragma once

#include <cstdint>
#include <string>

struct PictureObjectInfo {
    enum State : int32_t {
        kPlaceholder = 0,  // "sendingBmp.gif" while the file downloads
        kError = 1,        // "errorBmp.gif": the file is missing and nothing will fetch it
        kShown = 2,        // the picture itself
    };

    PictureObjectInfo();
    PictureObjectInfo(const PictureObjectInfo& other);
    PictureObjectInfo& operator=(const PictureObjectInfo& other);
    ~PictureObjectInfo();

    // The record's key for the user word; never 0 (0 means "no record").
    uint32_t Key() const { return m_key; }
    // The live record of a key, or null.
    static PictureObjectInfo* FromKey(uint32_t key);

    int32_t state = kPlaceholder;
    std::wstring path;  // where the picture file is or will be
    std::wstring name;  // the picture's file name, as in the message's picture tag

private:
    uint32_t m_key;
};
