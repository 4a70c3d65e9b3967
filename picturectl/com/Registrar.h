// Registrar: runs the registration scripts that a module carries as
// resources of type "REGISTRY", with a table of replacements, to register
// or to unregister the module.
//
// Script syntax (the platform COM framework's registrar scripts, the subset
// this library uses):
//
//   script     ::= { root-key '{' { expression } '}' }
//   root-key   ::= HKCR | HKCU | HKLM | HKEY_CLASSES_ROOT | HKEY_CURRENT_USER
//                | HKEY_LOCAL_MACHINE
//   expression ::= [ForceRemove | NoRemove | val] name [ '=' type value ]
//                  [ '{' { expression } '}' ]
//                | Delete name
//   type       ::= s (REG_SZ) | d (REG_DWORD, decimal or 0x hexadecimal)
//
// A name or value is a bare word or a text in single quotes ('' stands for
// one quote). %NAME% is replaced from the table before parsing (a quote in a
// replacement is doubled: replacements stand inside quoted texts); %% is one %.
//
// Registering creates every key and writes every value; ForceRemove first
// deletes the key with all below it; Delete deletes the key. Unregistering
// deletes every key that is not marked NoRemove (with all below it) and
// every named value, and walks into the NoRemove keys; so a script whose
// shared parents (CLSID, AppID, ...) are NoRemove takes away exactly what it
// wrote.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace com {

class Registrar {
public:
    // %name% in a script becomes value.
    void AddReplacement(const wchar_t* name, std::wstring value);

    // Runs the REGISTRY resource id of the module.
    HRESULT RunResource(HMODULE module, UINT id, bool registering) const;
    // Runs a script text.
    HRESULT RunScript(const std::wstring& script, bool registering) const;

    // The script with the replacements made; false for an unknown %name%.
    bool Expand(const std::wstring& script, std::wstring& expanded) const;

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_replacements;
};

}  // namespace com
