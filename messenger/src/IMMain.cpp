// Entry point of the messenger program IM.
#include "IMApp.h"

#include <windows.h>

namespace {

// The application object, built at static initialisation.
CIMApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return theApp.Run(); }
