// RegistryKey: an open registry key, closed on destruction.
#pragma once

#include <windows.h>

#include <utility>

namespace com {

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    ~RegistryKey() { Close(); }

    // Opens or creates parent\subKey for writing.
    LONG Create(HKEY parent, const wchar_t* subKey);
    // Writes a string value; a null name is the key's default value.
    LONG SetString(const wchar_t* name, const wchar_t* value);
    void Close();
    HKEY Get() const { return m_key; }

    // Deletes parent\subKey with everything below it; a missing key is fine.
    static LONG DeleteTree(HKEY parent, const wchar_t* subKey);

private:
    HKEY m_key = nullptr;
};

}  // namespace com
