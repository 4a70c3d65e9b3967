#include "PropertyMapStream.h"

#include <cstring>

namespace mervale {

namespace {

// Reads fixed-size values off a byte range; fails once the range is used up.
class ByteReader {
public:
    ByteReader(const BYTE* data, size_t size) : m_p(data), m_end(data + size) {}
    size_t Left() const { return static_cast<size_t>(m_end - m_p); }
    bool Take(void* out, size_t size) {
        if (Left() < size) return false;
        if (size) std::memcpy(out, m_p, size);
        m_p += size;
        return true;
    }
    template <class T>
    bool Read(T& value) {
        return Take(&value, sizeof value);
    }

private:
    const BYTE* m_p;
    const BYTE* m_end;
};

// The size of a fixed-size VARIANT type's value; -1 for a type that is not
// stored as plain bytes (objects, arrays, references): such a stream is not
// one this control wrote.
int FixedSize(VARTYPE type) {
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
        return 0;
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    default:
        return -1;
    }
}

// Reads a data entry's 32 bits into value as a VT_I4.
bool ReadData(ByteReader& in, VARIANT& value) {
    LONG number = 0;
    if (!in.Read(number)) return false;
    value.vt = VT_I4;
    value.lVal = number;
    return true;
}

// Reads one serialised VARIANT into value (VariantInit'ed by the caller).
bool ReadVariant(ByteReader& in, VARIANT& value) {
    VARTYPE type = VT_EMPTY;
    if (!in.Read(type)) return false;
    if (type == VT_BSTR) {
        ULONG bytes = 0;
        if (!in.Read(bytes)) return false;
        if (bytes == 0) {  // a null string
            value.vt = VT_BSTR;
            value.bstrVal = nullptr;
            return true;
        }
        if (bytes % sizeof(wchar_t) != 0 || bytes > in.Left()) return false;
        std::wstring text(bytes / sizeof(wchar_t), L'\0');
        if (!in.Take(&text[0], bytes) || text.back() != L'\0') return false;
        text.pop_back();
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!value.bstrVal) return false;
        value.vt = VT_BSTR;
        return true;
    }
    const int size = FixedSize(type);
    if (size < 0) return false;
    BYTE raw[8] = {};
    if (!in.Take(raw, static_cast<size_t>(size))) return false;
    // Every member of the value union starts at its first byte.
    std::memcpy(&value.llVal, raw, sizeof raw);
    value.vt = type;
    return true;
}

// Whether the run of data entries that begins at first was written as
// serialised VARIANTs: every one of them reads so, tagged with its type.
bool DataRunIsTyped(ByteReader in, const std::vector<PropertyMapEntry>& map, size_t first) {
    for (size_t i = first; i < map.size() && map[i].data; ++i) {
        VARTYPE type = VT_EMPTY;
        ByteReader peek = in;
        if (!peek.Read(type) || type != map[i].type) return false;
        VARIANT value;
        VariantInit(&value);
        const bool ok = ReadVariant(in, value);
        VariantClear(&value);
        if (!ok) return false;
    }
    return true;
}

}  // namespace

PropertyMapWriter::PropertyMapWriter(const SIZEL& extent) {
    const DWORD version = kVersion;
    Append(&version, sizeof version);
    const LONG cx = extent.cx, cy = extent.cy;
    Append(&cx, sizeof cx);
    Append(&cy, sizeof cy);
}

void PropertyMapWriter::Append(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

void PropertyMapWriter::Bool(VARIANT_BOOL value) {
    const VARTYPE type = VT_BOOL;
    Append(&type, sizeof type);
    Append(&value, sizeof value);
}

void PropertyMapWriter::Long(LONG value) {
    const VARTYPE type = VT_I4;
    Append(&type, sizeof type);
    Append(&value, sizeof value);
}

void PropertyMapWriter::Data(LONG value) { Append(&value, sizeof value); }

void PropertyMapWriter::Text(const std::wstring& value) {
    const VARTYPE type = VT_BSTR;
    Append(&type, sizeof type);
    const ULONG bytes = static_cast<ULONG>((value.size() + 1) * sizeof(wchar_t));
    Append(&bytes, sizeof bytes);
    Append(value.c_str(), bytes);  // with the NUL
}

HRESULT PropertyMapWriter::WriteTo(IStream* stream) const {
    ULONG written = 0;
    const HRESULT hr = stream->Write(m_bytes.data(), static_cast<ULONG>(m_bytes.size()), &written);
    if (FAILED(hr)) return hr;
    return written == m_bytes.size() ? S_OK : STG_E_WRITEFAULT;
}

HRESULT PropertyMapReader::ReadFrom(IStream* stream, const std::vector<PropertyMapEntry>& map) {
    m_hasExtent = false;
    m_values.clear();
    STATSTG stat{};
    HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > kMaxSize) return STG_E_READFAULT;
    std::vector<BYTE> data(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    if (!data.empty()) {
        hr = stream->Read(data.data(), static_cast<ULONG>(data.size()), &read);
        if (FAILED(hr)) return hr;
    }
    data.resize(read);
    return Parse(data.data(), data.size(), map);
}

HRESULT PropertyMapReader::Parse(const BYTE* data, size_t size, const std::vector<PropertyMapEntry>& map) {
    m_hasExtent = false;
    m_values.clear();
    ByteReader in(data, size);
    DWORD version = 0;
    if (!in.Read(version) || version > PropertyMapWriter::kVersion) return STG_E_READFAULT;
    LONG cx = 0, cy = 0;
    if (!in.Read(cx) || !in.Read(cy)) return STG_E_READFAULT;
    m_extent = {cx, cy};
    m_hasExtent = true;

    bool typedData = false;  // the earlier writer's form of the current run of data entries
    for (size_t i = 0; i < map.size(); ++i) {
        const PropertyMapEntry& entry = map[i];
        if (entry.data && (i == 0 || !map[i - 1].data)) typedData = DataRunIsTyped(in, map, i);
        VARIANT stored, wanted;
        VariantInit(&stored);
        VariantInit(&wanted);
        bool ok = entry.data && !typedData ? ReadData(in, stored) : ReadVariant(in, stored);
        // A value of another type counts when it converts to the map's type.
        if (ok) ok = SUCCEEDED(VariantChangeType(&wanted, &stored, 0, entry.type));
        if (ok) {
            Value value;
            value.name = entry.name;
            value.type = entry.type;
            switch (entry.type) {
            case VT_BOOL:
                value.number = wanted.boolVal;
                break;
            case VT_I4:
                value.number = wanted.lVal;
                break;
            case VT_BSTR:
                value.text.assign(wanted.bstrVal ? wanted.bstrVal : L"", SysStringLen(wanted.bstrVal));
                break;
            default:
                ok = false;  // a map type this reader does not keep
                break;
            }
            if (ok) m_values.push_back(std::move(value));
        }
        VariantClear(&stored);
        VariantClear(&wanted);
        if (!ok) return STG_E_READFAULT;
    }
    return S_OK;
}

bool PropertyMapReader::Extent(SIZEL& extent) const {
    if (m_hasExtent) extent = m_extent;
    return m_hasExtent;
}

const PropertyMapReader::Value* PropertyMapReader::Find(const wchar_t* name, VARTYPE type) const {
    for (const Value& value : m_values) {
        if (value.type == type && value.name == name) return &value;
    }
    return nullptr;
}

bool PropertyMapReader::Long(const wchar_t* name, LONG& value) const {
    const Value* found = Find(name, VT_I4);
    if (found) value = found->number;
    return found != nullptr;
}

bool PropertyMapReader::Bool(const wchar_t* name, VARIANT_BOOL& value) const {
    const Value* found = Find(name, VT_BOOL);
    if (found) value = found->number ? VARIANT_TRUE : VARIANT_FALSE;
    return found != nullptr;
}

bool PropertyMapReader::Text(const wchar_t* name, std::wstring& value) const {
    const Value* found = Find(name, VT_BSTR);
    if (found) value = found->text;
    return found != nullptr;
}

}  // namespace mervale
