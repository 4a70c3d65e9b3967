#include "Registrar.h"

#include <cwctype>
#include <memory>

namespace com {

namespace {

HRESULT FromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc); }

bool SameWord(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// ---------------------------------------------------------------- tokens

struct Token {
    enum Kind { kWord, kQuoted, kOpen, kClose, kEquals, kEnd } kind = kEnd;
    std::wstring text;
};

class Tokenizer {
public:
    explicit Tokenizer(const std::wstring& text) : m_text(text) {}

    // False on a quoted text without its closing quote.
    bool Next(Token& token) {
        while (m_pos < m_text.size() && std::iswspace(m_text[m_pos])) ++m_pos;
        token = Token();
        if (m_pos >= m_text.size()) return true;
        const wchar_t c = m_text[m_pos];
        if (c == L'{' || c == L'}' || c == L'=') {
            token.kind = c == L'{' ? Token::kOpen : c == L'}' ? Token::kClose : Token::kEquals;
            ++m_pos;
            return true;
        }
        if (c == L'\'') {
            token.kind = Token::kQuoted;
            for (++m_pos; m_pos < m_text.size(); ++m_pos) {
                if (m_text[m_pos] != L'\'') {
                    token.text += m_text[m_pos];
                } else if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == L'\'') {
                    token.text += L'\'';
                    ++m_pos;
                } else {
                    ++m_pos;
                    return true;
                }
            }
            return false;
        }
        token.kind = Token::kWord;
        while (m_pos < m_text.size()) {
            const wchar_t w = m_text[m_pos];
            if (std::iswspace(w) || w == L'{' || w == L'}' || w == L'=' || w == L'\'') break;
            token.text += w;
            ++m_pos;
        }
        return true;
    }

private:
    const std::wstring& m_text;
    size_t m_pos = 0;
};

// ---------------------------------------------------------------- tree

struct Node {
    enum Mark { kPlain, kForceRemove, kNoRemove, kValue, kDelete } mark = kPlain;
    std::wstring name;
    bool hasValue = false;
    DWORD type = REG_SZ;
    std::wstring text;  // REG_SZ
    DWORD number = 0;   // REG_DWORD
    std::vector<Node> children;
};

struct Root {
    HKEY key = nullptr;
    std::vector<Node> children;
};

class Parser {
public:
    explicit Parser(const std::wstring& text) : m_tokens(text) {}

    bool Parse(std::vector<Root>& roots) {
        if (!Advance()) return false;
        while (m_token.kind != Token::kEnd) {
            Root root;
            if (m_token.kind != Token::kWord || !(root.key = RootKey(m_token.text))) return false;
            if (!Advance() || !Block(root.children)) return false;
            roots.push_back(std::move(root));
        }
        return true;
    }

private:
    static HKEY RootKey(const std::wstring& word) {
        if (SameWord(word, L"HKCR") || SameWord(word, L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
        if (SameWord(word, L"HKCU") || SameWord(word, L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
        if (SameWord(word, L"HKLM") || SameWord(word, L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
        return nullptr;
    }

    bool Advance() { return m_tokens.Next(m_token); }
    bool IsName() const { return m_token.kind == Token::kWord || m_token.kind == Token::kQuoted; }

    // '{' { expression } '}'
    bool Block(std::vector<Node>& nodes) {
        if (m_token.kind != Token::kOpen || !Advance()) return false;
        while (m_token.kind != Token::kClose) {
            if (m_token.kind == Token::kEnd) return false;
            Node node;
            if (!Expression(node)) return false;
            nodes.push_back(std::move(node));
        }
        return Advance();
    }

    bool Expression(Node& node) {
        if (m_token.kind == Token::kWord) {
            if (SameWord(m_token.text, L"ForceRemove")) node.mark = Node::kForceRemove;
            else if (SameWord(m_token.text, L"NoRemove")) node.mark = Node::kNoRemove;
            else if (SameWord(m_token.text, L"val")) node.mark = Node::kValue;
            else if (SameWord(m_token.text, L"Delete")) node.mark = Node::kDelete;
            if (node.mark != Node::kPlain && !Advance()) return false;
        }
        if (!IsName() || m_token.text.empty()) return false;
        node.name = m_token.text;
        if (!Advance()) return false;
        if (node.mark == Node::kDelete) return true;
        if (m_token.kind == Token::kEquals) {
            if (!Advance() || m_token.kind != Token::kWord) return false;
            const std::wstring type = m_token.text;
            if (!Advance() || !IsName()) return false;
            if (SameWord(type, L"s")) {
                node.type = REG_SZ;
                node.text = m_token.text;
            } else if (SameWord(type, L"d")) {
                wchar_t* end = nullptr;
                node.type = REG_DWORD;
                node.number = static_cast<DWORD>(wcstoul(m_token.text.c_str(), &end, 0));
                if (m_token.text.empty() || *end) return false;
            } else {
                return false;  // a value type this registrar does not write
            }
            node.hasValue = true;
            if (!Advance()) return false;
        }
        if (node.mark == Node::kValue) return node.hasValue;
        if (m_token.kind == Token::kOpen) return Block(node.children);
        return true;
    }

    Tokenizer m_tokens;
    Token m_token;
};

// ---------------------------------------------------------------- registry

LONG DeleteTree(HKEY parent, const std::wstring& name) {
    LONG rc = RegDeleteTreeW(parent, name.c_str());
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(parent, name.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG SetValue(HKEY key, const wchar_t* name, const Node& node) {
    if (node.type == REG_DWORD) {
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&node.number),
                              sizeof node.number);
    }
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(node.text.c_str()),
                          static_cast<DWORD>((node.text.size() + 1) * sizeof(wchar_t)));
}

HRESULT Register(HKEY parent, const std::vector<Node>& nodes) {
    for (const Node& node : nodes) {
        LONG rc = ERROR_SUCCESS;
        switch (node.mark) {
        case Node::kDelete:
            rc = DeleteTree(parent, node.name);
            break;
        case Node::kValue:
            rc = SetValue(parent, node.name.c_str(), node);
            break;
        default: {
            if (node.mark == Node::kForceRemove) rc = DeleteTree(parent, node.name);
            HKEY key = nullptr;
            if (rc == ERROR_SUCCESS) {
                rc = RegCreateKeyExW(parent, node.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
            }
            if (rc == ERROR_SUCCESS && node.hasValue) rc = SetValue(key, nullptr, node);
            HRESULT hr = FromWin32(rc);
            if (SUCCEEDED(hr)) hr = Register(key, node.children);
            if (key) RegCloseKey(key);
            if (FAILED(hr)) return hr;
            break;
        }
        }
        if (rc != ERROR_SUCCESS) return FromWin32(rc);
    }
    return S_OK;
}

HRESULT Unregister(HKEY parent, const std::vector<Node>& nodes) {
    HRESULT result = S_OK;
    for (const Node& node : nodes) {
        HRESULT hr = S_OK;
        switch (node.mark) {
        case Node::kDelete:
            break;
        case Node::kValue: {
            const LONG rc = RegDeleteValueW(parent, node.name.c_str());
            if (rc != ERROR_FILE_NOT_FOUND) hr = FromWin32(rc);
            break;
        }
        case Node::kNoRemove: {
            HKEY key = nullptr;
            const LONG rc = RegOpenKeyExW(parent, node.name.c_str(), 0, KEY_READ | KEY_WRITE, &key);
            if (rc == ERROR_SUCCESS) {
                hr = Unregister(key, node.children);
                RegCloseKey(key);
            } else if (rc != ERROR_FILE_NOT_FOUND) {
                hr = FromWin32(rc);
            }
            break;
        }
        default:
            hr = FromWin32(DeleteTree(parent, node.name));
            break;
        }
        if (SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace

void Registrar::AddReplacement(const wchar_t* name, std::wstring value) {
    m_replacements.emplace_back(name, std::move(value));
}

bool Registrar::Expand(const std::wstring& script, std::wstring& expanded) const {
    expanded.clear();
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] != L'%') {
            expanded += script[i];
            continue;
        }
        const size_t end = script.find(L'%', i + 1);
        if (end == std::wstring::npos) return false;
        const std::wstring name = script.substr(i + 1, end - i - 1);
        if (name.empty()) {
            expanded += L'%';
        } else {
            bool found = false;
            for (const auto& [key, value] : m_replacements) {
                if (SameWord(name, key.c_str())) {
                    // Replacements stand inside quoted texts: a quote in
                    // one (a folder named O'Neill) is doubled.
                    for (wchar_t c : value) {
                        expanded += c;
                        if (c == L'\'') expanded += c;
                    }
                    found = true;
                    break;
                }
            }
            if (!found) return false;
        }
        i = end;
    }
    return true;
}

HRESULT Registrar::RunScript(const std::wstring& script, bool registering) const {
    std::wstring expanded;
    if (!Expand(script, expanded)) return E_INVALIDARG;
    // The whole script is read before the registry is touched: a script
    // that does not parse changes nothing.
    std::vector<Root> roots;
    if (!Parser(expanded).Parse(roots)) return E_INVALIDARG;
    HRESULT result = S_OK;
    for (const Root& root : roots) {
        const HRESULT hr = registering ? Register(root.key, root.children) : Unregister(root.key, root.children);
        if (registering && FAILED(hr)) return hr;
        if (SUCCEEDED(result)) result = hr;
    }
    return result;
}

// The scripts are stored as UTF-8 text.
HRESULT Registrar::RunResource(HMODULE module, UINT id, bool registering) const {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!resource) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes || size == 0) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return E_INVALIDARG;
    std::wstring script(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), &script[0], length);
    return RunScript(script, registering);
}

}  // namespace com
