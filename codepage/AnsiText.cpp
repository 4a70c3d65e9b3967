#include "AnsiText.h"

#ifdef _WIN32
#include <windows.h>

#include <climits>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace codepage {

#ifdef _WIN32

std::string ToAnsi(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX / 4) return std::string();
    const int length =
        WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string out(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const char* text, size_t length) {
    if (!text || length == 0 || length > INT_MAX / 2) return std::wstring();
    const int count = MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring out(size_t(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, int(length), &out[0], count);
    return out;
}

#else

namespace {

// One conversion through iconv. A character the target cannot hold, or an
// invalid or cut sequence of the source, becomes `replacement` and the
// conversion goes on after it, as the platform's own conversions do.
template <class Out, class In>
Out Convert(const char* to, const char* from, const In* data, size_t count,
            typename Out::value_type replacement) {
    Out out;
    if (count == 0) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
    size_t inLeft = count * sizeof(In);
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(reinterpret_cast<const typename Out::value_type*>(buffer),
                   (sizeof(buffer) - outLeft) / sizeof(typename Out::value_type));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one source unit and mark the loss.
        out += replacement;
        size_t skip = sizeof(In) < inLeft ? sizeof(In) : inLeft;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string ToAnsi(const std::wstring& text) {
    return Convert<std::string>("GBK", "WCHAR_T", text.data(), text.size(), '?');
}

std::wstring FromAnsi(const char* text, size_t length) {
    if (!text) return {};
    return Convert<std::wstring>("WCHAR_T", "GBK", text, length, L'?');
}

#endif

}  // namespace codepage
