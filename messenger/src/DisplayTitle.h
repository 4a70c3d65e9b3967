// The messenger's display title: the short product name that stands in its
// window captions, message-box captions and the tray tip.
#pragma once

inline constexpr wchar_t kMessengerDisplayTitle[] = L"IM";
