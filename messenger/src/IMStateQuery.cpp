#include "IMStateQuery.h"

const wchar_t kIMStateQueryMessageName[] = L"IM-QueryMainWindowState-5B1D0C7E";

UINT IMStateQueryMessage() {
    static const UINT message = ::RegisterWindowMessageW(kIMStateQueryMessageName);
    return message;
}
