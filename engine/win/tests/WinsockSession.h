// Winsock for a test program (the engine never starts it).
#pragma once

#include <winsock2.h>

class WinsockSession {
public:
    WinsockSession() { WSADATA data; ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0; }
    ~WinsockSession() { if (ok_) WSACleanup(); }
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};
