// CTrayStatusModel: what the tray icon shows for the logged-on user: the
// status (the own record's status while connected, else offline), the icon
// of that status and the tip "<title>:<full name> \r\n 状态:<status text>",
// cut to the tip field of the notification-area record.
#pragma once

#include "clientui/EngineModule.h"

#include <cstdint>
#include <string>

struct TrayStatus {
    int32_t status = 5;   // as read (any value)
    int iconIndex = 5;    // 0..5: the status, offline for any other value
    std::wstring tip;
};

class CTrayStatusModel {
public:
    // Characters of the tip field without its NUL.
    static constexpr size_t kTipChars = 127;

    static TrayStatus Compute(const CEngineModule& engine, const std::wstring& displayTitle);
    // The tip for a full name (UTF-16) and a status.
    static std::wstring FormatTip(const std::wstring& displayTitle, const std::wstring& fullName, int32_t status);
    static int IconIndex(int32_t status) { return status >= 0 && status <= 5 ? status : 5; }
};
