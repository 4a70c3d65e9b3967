// The desk program's display title: the short product name that stands in
// window captions, message-box captions and the tray tip.
#pragma once

inline constexpr wchar_t kDeskDisplayTitle[] = L"Qorvane 客服";
