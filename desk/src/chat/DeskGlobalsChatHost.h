// CDeskGlobalsChatHost: the desk program's IChatPanelHost, the main window's
// globals read at each use (the program links them from desk_core).
#pragma once

#include "ChatPanelHost.h"

class CDeskGlobalsChatHost : public IChatPanelHost {
public:
    // The one host of the program.
    static CDeskGlobalsChatHost& Instance();

    HWND MainWindow() const override;
    int32_t MyUserId() const override;
    const UserInfoBase& MyInfo() const override;
};
