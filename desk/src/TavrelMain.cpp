// Entry point of the desk program Tavrel.
#include "TavrelApp.h"

#include <windows.h>

namespace {

// The application object, built at static initialisation.
CTavrelApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return theApp.Run(); }
