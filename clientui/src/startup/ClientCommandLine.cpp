#include "clientui/ClientCommandLine.h"

#include <cstdlib>

namespace {

const wchar_t kUserMutexPrefix[] = L"4A46911B-21E7-4713-A4B4-A8F25CC66D21";

int32_t ReadNumber(const std::vector<std::wstring>& items, size_t index) {
    if (index >= items.size()) return 0;
    return static_cast<int32_t>(std::wcstol(items[index].c_str(), nullptr, 10));
}

}  // namespace

ClientCommandLine ParseClientCommandLine(const std::vector<std::wstring>& items) {
    ClientCommandLine line;
    line.userId = ReadNumber(items, 2);
    line.param = ReadNumber(items, 3);
    line.manualLogon = line.userId == 0 && line.param == 0;
    return line;
}

ClientStartMode DecideClientStart(const ClientCommandLine& line) {
    if (line.userId != 0) return ClientStartMode::AutoLogon;
    return line.param != 0 ? ClientStartMode::EndAtOnce : ClientStartMode::ManualLogon;
}

std::wstring UserMutexName(int32_t userId) {
    return kUserMutexPrefix + std::to_wstring(static_cast<uint32_t>(userId));
}
