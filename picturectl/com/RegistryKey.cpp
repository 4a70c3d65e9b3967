#include "RegistryKey.h"

#include <cwchar>

namespace com {

LONG RegistryKey::Create(HKEY parent, const wchar_t* subKey) {
    Close();
    return RegCreateKeyExW(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &m_key,
                           nullptr);
}

LONG RegistryKey::SetString(const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

void RegistryKey::Close() {
    if (m_key) RegCloseKey(std::exchange(m_key, nullptr));
}

LONG RegistryKey::DeleteTree(HKEY parent, const wchar_t* subKey) {
    LONG rc = RegDeleteTreeW(parent, subKey);
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(parent, subKey);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace com
