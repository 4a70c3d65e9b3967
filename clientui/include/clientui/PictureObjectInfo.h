// PictureObjectInfo: the record that every picture object the clients put
// into a rich edit carries in its object's user word (REOBJECT.dwUser).
#pragma once

#include <cstdint>
#include <string>

struct PictureObjectInfo {
    enum State : int32_t {
        kPlaceholder = 0,  // "sendingBmp.gif" while the file downloads
        kError = 1,        // "errorBmp.gif": the file is missing and nothing will fetch it
        kShown = 2,        // the picture itself
    };

    int32_t state = kPlaceholder;
    std::wstring path;  // where the picture file is or will be
    std::wstring name;  // the picture's file name, as in the message's picture tag
};
