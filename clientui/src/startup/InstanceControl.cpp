#include "clientui/InstanceControl.h"

const wchar_t kInstanceControlMessageName[] = L"A41BA791-635E-45D5-AD0F-567EEE66C7DB";

const UINT WM_INSTANCE_CONTROL = ::RegisterWindowMessageW(kInstanceControlMessageName);
