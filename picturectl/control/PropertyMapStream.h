// The "Contents" stream of a control's storage: its property map, laid out as
// the platform's COM framework persists a property map in a stream:
//
//   DWORD  version of the layout (0x0800)
//   LONG   _cx, LONG _cy     the extent in HIMETRIC, as plain data entries
//   then every named property of the map, in map order, either
//   - a data entry: the member's bytes as they are, with no type (the
//     controls' data entries are 32-bit: LONG, or BOOL 0 / 1), or
//   - a property entry: a serialised VARIANT, WORD VARTYPE, then the value:
//       fixed-size types     their 1, 2, 4 or 8 bytes
//       VT_BSTR              ULONG byte count including the terminating NUL
//                            (0 for a null string), the UTF-16 text, the NUL
//
// The stream carries no names and no count: the reader knows the map. Every
// length is bounded by the bytes that follow it; a reader keeps the values
// it read completely before a damaged or missing part.
//
// An earlier writer of the controls stored the data entries as serialised
// VARIANTs too. The reader still takes such a stream: where a run of data
// entries begins, bytes that read as exactly those typed values (each
// VARTYPE tag the entry's own) are the earlier form. No data entry's valid
// values read so (the second tag would be the upper half of a 32-bit size
// or flag).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace mervale {

// One named property of a control's map and the type it is stored with;
// a data entry is stored as 32 bits with no type.
struct PropertyMapEntry {
    const wchar_t* name;
    VARTYPE type;
    bool data = false;
};

class PropertyMapWriter {
public:
    static constexpr DWORD kVersion = 0x0800;

    explicit PropertyMapWriter(const SIZEL& extent);
    // The named properties, in map order.
    void Bool(VARIANT_BOOL value);
    void Long(LONG value);
    void Text(const std::wstring& value);
    // A data entry: 32 bits, untyped.
    void Data(LONG value);
    HRESULT WriteTo(IStream* stream) const;
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    void Append(const void* data, size_t size);
    std::vector<BYTE> m_bytes;
};

class PropertyMapReader {
public:
    static constexpr ULONGLONG kMaxSize = 1024 * 1024;

    // Reads the stream against the map. S_OK when the extent and every
    // property were read; STG_E_READFAULT (or the stream's own failure) when
    // the stream is short, damaged or of a newer layout. The values read
    // before the damage stay available either way.
    HRESULT ReadFrom(IStream* stream, const std::vector<PropertyMapEntry>& map);
    HRESULT Parse(const BYTE* data, size_t size, const std::vector<PropertyMapEntry>& map);

    bool Extent(SIZEL& extent) const;
    bool Long(const wchar_t* name, LONG& value) const;
    bool Bool(const wchar_t* name, VARIANT_BOOL& value) const;
    bool Text(const wchar_t* name, std::wstring& value) const;

private:
    struct Value {
        std::wstring name;
        VARTYPE type = VT_EMPTY;
        LONG number = 0;
        std::wstring text;
    };
    const Value* Find(const wchar_t* name, VARTYPE type) const;

    bool m_hasExtent = false;
    SIZEL m_extent{};
    std::vector<Value> m_values;
};

}  // namespace mervale
