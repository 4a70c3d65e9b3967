// The "Contents" stream of a control's storage: its persisted properties,
// each stored with its name and type so that a reader takes what it knows.
//
//   DWORD  'MVP1'             DWORD  count
//   count x { WORD name length, name (UTF-16), WORD VARTYPE, value }
//   value:  VT_I4 4 bytes | VT_BOOL 2 bytes | VT_BSTR DWORD length, UTF-16
#pragma once

#include <windows.h>
#include <objidl.h>

#include <map>
#include <string>
#include <vector>

namespace mervale {

class PropertyWriter {
public:
    void Long(const wchar_t* name, LONG value);
    void Bool(const wchar_t* name, VARIANT_BOOL value);
    void Text(const wchar_t* name, const std::wstring& value);
    HRESULT WriteTo(IStream* stream) const;

private:
    void Name(const wchar_t* name, VARTYPE type);
    void Bytes(const void* data, size_t size);

    std::vector<BYTE> m_body;
    DWORD m_count = 0;
};

class PropertyReader {
public:
    static constexpr ULONGLONG kMaxSize = 1024 * 1024;

    // Reads and checks the whole stream: every length is bounded by the
    // bytes that follow it. STG_E_READFAULT for a short or malformed stream.
    HRESULT ReadFrom(IStream* stream);

    bool Long(const wchar_t* name, LONG& value) const;
    bool Bool(const wchar_t* name, VARIANT_BOOL& value) const;
    bool Text(const wchar_t* name, std::wstring& value) const;

private:
    struct Value {
        VARTYPE type = VT_EMPTY;
        LONG number = 0;
        std::wstring text;
    };
    HRESULT Parse(const BYTE* data, size_t size);

    std::map<std::wstring, Value> m_values;
};

}  // namespace mervale
