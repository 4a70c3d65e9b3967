// Fuzz target: a settings or account file ("IMUsers.dll", "Config.dll",
// "systemSetting.dll", "IMServerInfo.ini") with whatever bytes it holds.
//
// Input: the file's bytes. The platform's profile functions find sections
// and keys; what the clients' own code does with the file is checked here:
// - its form before the first write: kept (UTF-16), converted (earlier
//   versions: ANSI code page, UTF-8 with its mark) or damaged; a converted
//   file is UTF-16 with its mark and reads back to the same text, so no
//   line is lost;
// - every "key=value" line's value as the settings take it: as a number
//   (a number read is one that prints back the same), as a count and a list
//   index (always in range), as a text cut to its width (never inside a
//   surrogate pair), and as the scrambled server entry (unscrambling and
//   scrambling give the text back).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "SystemAnsiCodePage.h"
#include "clientui/SettingsText.h"

namespace {

// UTF-16 units, one per wchar_t (as the Windows build holds text).
std::wstring Units(const uint8_t* p, size_t size, bool bigEndian) {
    std::wstring out;
    for (size_t i = 0; i + 1 < size; i += 2)
        out += static_cast<wchar_t>(bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i] | p[i + 1] << 8));
    return out;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void CheckValue(const std::wstring& value) {
    int number = 0;
    if (ParseSettingsNumber(value, &number)) {
        wchar_t printed[16];
        std::swprintf(printed, 16, L"%d", number);
        int again = 0;
        FUZZ_EXPECT(ParseSettingsNumber(printed, &again) && again == number);
    }
    for (int max : {0, 100, 1000}) {
        const int count = BoundSettingsCount(number, max);
        FUZZ_EXPECT(count >= 0 && count <= max);
    }
    for (size_t listSize : {size_t(0), size_t(1), size_t(3), size_t(100)}) {
        const int index = ClampListIndex(number, listSize);
        FUZZ_EXPECT(index >= 0 && (listSize == 0 ? index == 0 : static_cast<size_t>(index) < listSize));
    }
    for (size_t width : {size_t(0), size_t(1), size_t(31), size_t(49), size_t(99), size_t(259)}) {
        const std::wstring cut = CutSettingsText(value, width);
        FUZZ_EXPECT(cut.size() <= width);
        FUZZ_EXPECT(value.compare(0, cut.size(), cut) == 0);
        // Never inside a pair: a high surrogate at the cut is not followed
        // by its low one.
        if (cut.size() < value.size() && !cut.empty() && IsHighSurrogate(cut.back()))
            FUZZ_EXPECT(!IsLowSurrogate(value[cut.size()]));
        if (value.size() <= width) FUZZ_EXPECT(cut == value);
    }
    FUZZ_EXPECT(ScrambleServerText(UnscrambleServerText(value)) == value);
    FUZZ_EXPECT(UnscrambleServerText(ScrambleServerText(value)) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const clientui::CSystemAnsiCodePage codePage;
    std::vector<uint8_t> converted;
    const SettingsFileForm form = ConvertSettingsFile(data, size, codePage, converted);
    std::wstring text;
    switch (form) {
    case SettingsFileForm::Unicode:
        FUZZ_EXPECT(size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)));
        FUZZ_EXPECT(converted.empty());
        text = Units(data + 2, size - 2, data[0] == 0xFE);
        break;
    case SettingsFileForm::Legacy: {
        FUZZ_EXPECT(converted.size() >= 2 && converted.size() % 2 == 0);
        FUZZ_EXPECT(converted[0] == 0xFF && converted[1] == 0xFE);
        text = Units(converted.data() + 2, converted.size() - 2, false);
        const bool utf8 = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
        if (!utf8 && sizeof(wchar_t) == 4) {
            // Every line kept: the text goes back to the same bytes.
            FUZZ_EXPECT(codePage.ToAnsi(text) == std::string(reinterpret_cast<const char*>(data), size));
        }
        for (size_t i = 0; i < size; ++i) FUZZ_EXPECT(data[i] != 0);
        break;
    }
    case SettingsFileForm::Damaged:
        FUZZ_EXPECT(converted.empty());
        break;
    }

    // Each line "key=value" (the profile functions split at the first "=").
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        const size_t equals = line.find(L'=');
        if (equals != std::wstring::npos) CheckValue(line.substr(equals + 1));
        start = end + 1;
    }
    CheckValue(text.substr(0, 300));
    return 0;
}
