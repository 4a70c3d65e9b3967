// CTavrelApp: the desk program's application object. It prepares the
// process, decides from the command line whether to log on by itself, binds
// the engine library, makes sure the animated-picture control is registered,
// lets the instance-control message through the message filter, loads the
// image lists, and then runs the whole life of the program inside the main
// window's modal loop. InitInstance always answers false: the program never
// enters the ordinary message loop; ExitInstance then saves the settings and
// releases everything, the engine binding last.
#pragma once

#include "clientui/ClientApp.h"

#include <windows.h>

class CTavrelApp : public CClientApp {
public:
    CTavrelApp();

    static CTavrelApp* GetApp();
    HWND GetMainWindow() const override;

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    bool m_comStarted = false;
    HMODULE m_hRichEdit = nullptr;
};
