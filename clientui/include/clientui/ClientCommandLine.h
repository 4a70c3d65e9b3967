// The command line of both clients and the per-account mutex name.
//
// Item 2 (the program itself is item 0) is an account id, item 3 a second
// number; both are read like _wtol (decimal, leading digits only, anything
// else 0); missing items count as 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ClientCommandLine {
    int32_t userId = 0;         // account id, 0 when absent
    int32_t param = 0;          // the second number, 0 when absent
    bool manualLogon = false;   // true exactly when both are 0
};

// What the start-up does with the command line.
enum class ClientStartMode {
    ManualLogon,   // no id, no number: the log-on dialog, no mutex
    AutoLogon,     // an id: the account's mutex, then an automatic log-on
    EndAtOnce,     // a number without an id: end without a message
};

ClientCommandLine ParseClientCommandLine(const std::vector<std::wstring>& items);
ClientStartMode DecideClientStart(const ClientCommandLine& line);

// "4A46911B-21E7-4713-A4B4-A8F25CC66D21" followed by the id in decimal
// (unsigned, as the mutex name has always been formed).
std::wstring UserMutexName(int32_t userId);
