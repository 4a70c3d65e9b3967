#include "PropertyStream.h"

#include <cstring>
#include <cwchar>

namespace mervale {

namespace {
constexpr DWORD kMagic = 0x3150564D;  // "MVP1"

// Reads fixed-size values off a byte range; fails once the range is used up.
class ByteReader {
public:
    ByteReader(const BYTE* data, size_t size) : m_p(data), m_end(data + size) {}
    template <class T>
    bool Read(T& value) {
        return Take(&value, sizeof value);
    }
    bool Take(void* out, size_t size) {
        if (size == 0) return true;
        if (static_cast<size_t>(m_end - m_p) < size) return false;
        std::memcpy(out, m_p, size);
        m_p += size;
        return true;
    }
    bool Chars(std::wstring& text, size_t count) {
        if (static_cast<size_t>(m_end - m_p) / sizeof(wchar_t) < count) return false;
        text.resize(count);
        return Take(count ? &text[0] : nullptr, count * sizeof(wchar_t));
    }

private:
    const BYTE* m_p;
    const BYTE* m_end;
};
}  // namespace

void PropertyWriter::Bytes(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    m_body.insert(m_body.end(), p, p + size);
}

void PropertyWriter::Name(const wchar_t* name, VARTYPE type) {
    const WORD length = static_cast<WORD>(std::wcslen(name));
    Bytes(&length, sizeof length);
    Bytes(name, length * sizeof(wchar_t));
    Bytes(&type, sizeof type);
    ++m_count;
}

void PropertyWriter::Long(const wchar_t* name, LONG value) {
    Name(name, VT_I4);
    Bytes(&value, sizeof value);
}

void PropertyWriter::Bool(const wchar_t* name, VARIANT_BOOL value) {
    Name(name, VT_BOOL);
    Bytes(&value, sizeof value);
}

void PropertyWriter::Text(const wchar_t* name, const std::wstring& value) {
    Name(name, VT_BSTR);
    const DWORD length = static_cast<DWORD>(value.size());
    Bytes(&length, sizeof length);
    Bytes(value.data(), value.size() * sizeof(wchar_t));
}

HRESULT PropertyWriter::WriteTo(IStream* stream) const {
    std::vector<BYTE> all(2 * sizeof(DWORD));
    std::memcpy(&all[0], &kMagic, sizeof kMagic);
    std::memcpy(&all[sizeof(DWORD)], &m_count, sizeof m_count);
    all.insert(all.end(), m_body.begin(), m_body.end());
    ULONG written = 0;
    const HRESULT hr = stream->Write(all.data(), static_cast<ULONG>(all.size()), &written);
    if (FAILED(hr)) return hr;
    return written == all.size() ? S_OK : STG_E_WRITEFAULT;
}

HRESULT PropertyReader::ReadFrom(IStream* stream) {
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
    if (read != data.size()) return STG_E_READFAULT;
    hr = Parse(data.data(), data.size());
    if (FAILED(hr)) m_values.clear();
    return hr;
}

HRESULT PropertyReader::Parse(const BYTE* data, size_t size) {
    ByteReader in(data, size);
    DWORD magic = 0, count = 0;
    if (!in.Read(magic) || magic != kMagic || !in.Read(count)) return STG_E_READFAULT;
    for (DWORD i = 0; i < count; ++i) {
        WORD nameLength = 0;
        std::wstring name;
        Value value;
        if (!in.Read(nameLength) || !in.Chars(name, nameLength) || !in.Read(value.type)) return STG_E_READFAULT;
        switch (value.type) {
        case VT_I4:
            if (!in.Read(value.number)) return STG_E_READFAULT;
            break;
        case VT_BOOL: {
            VARIANT_BOOL flag = 0;
            if (!in.Read(flag)) return STG_E_READFAULT;
            value.number = flag;
            break;
        }
        case VT_BSTR: {
            DWORD length = 0;
            if (!in.Read(length) || !in.Chars(value.text, length)) return STG_E_READFAULT;
            break;
        }
        default:
            return STG_E_READFAULT;  // a type this format never writes
        }
        m_values[name] = std::move(value);
    }
    return S_OK;
}

bool PropertyReader::Long(const wchar_t* name, LONG& value) const {
    auto it = m_values.find(name);
    if (it == m_values.end() || it->second.type != VT_I4) return false;
    value = it->second.number;
    return true;
}

bool PropertyReader::Bool(const wchar_t* name, VARIANT_BOOL& value) const {
    auto it = m_values.find(name);
    if (it == m_values.end() || it->second.type != VT_BOOL) return false;
    value = it->second.number ? VARIANT_TRUE : VARIANT_FALSE;
    return true;
}

bool PropertyReader::Text(const wchar_t* name, std::wstring& value) const {
    auto it = m_values.find(name);
    if (it == m_values.end() || it->second.type != VT_BSTR) return false;
    value = it->second.text;
    return true;
}

}  // namespace mervale
