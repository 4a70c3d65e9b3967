// Parts of the library linked in: the registrar's scripts against a key of
// the test's own, and the lines of the picture manager's listing.
#include "TestSupport.h"

#include "com/Registrar.h"
#include "manager/PexoManager.h"

#include <algorithm>

namespace {

const wchar_t kTestRoot[] = L"Software\\QorvaneTests\\Registrar";

// Every key and value below HKCU\<kTestRoot>, one sorted line each.
void DumpKey(HKEY key, const std::wstring& path, std::vector<std::wstring>& lines) {
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        std::wstring value;
        if (type == REG_SZ) value = reinterpret_cast<const wchar_t*>(data);
        if (type == REG_DWORD) value = L"dword:" + std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        lines.push_back(path + L"|" + (nameLength ? name : L"@") + L"=" + value);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        lines.push_back(path + L"\\" + name);
        DumpKey(sub, path + L"\\" + name, lines);
        RegCloseKey(sub);
    }
}

std::vector<std::wstring> DumpTestRoot() {
    std::vector<std::wstring> lines;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestRoot, 0, KEY_READ, &key) != ERROR_SUCCESS) return lines;
    DumpKey(key, L"", lines);
    RegCloseKey(key);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class RegistrarScripts : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kTestRoot) + L"\\Shared\\Other").c_str(),
                                                 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        RegCloseKey(key);
        m_registrar.AddReplacement(L"MODULE", L"C:\\O'Neill\\Mervale.dll");
        m_registrar.AddReplacement(L"NUMBER", L"131473");
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestRoot);
    }

    static std::wstring Script(const std::wstring& body) {
        return L"HKCU { NoRemove Software { NoRemove QorvaneTests { NoRemove Registrar {\n" + body + L"\n} } } }";
    }

    com::Registrar m_registrar;
};

// What a script writes, and that unregistering takes exactly that away
// (NoRemove parents and what others keep below them stay).
TEST_F(RegistrarScripts, RegistersWhatTheScriptSaysAndUnregistersExactlyThat) {
    const std::vector<std::wstring> before = DumpTestRoot();
    const std::wstring script = Script(LR"(
        'Class.1' = s 'A class'
        {
            CLSID = s '{00000000-0000-0000-0000-000000000001}'
            'Insertable'
        }
        NoRemove Shared
        {
            ForceRemove 'Mine' = s '%MODULE%, 102'
            {
                val Count = d '%NUMBER%'
                val Hex = d '0x10'
                val Quoted = s 'it''s %% done'
            }
            val Marker = s 'mine'
        }
        Delete 'Stale'
    )");
    ASSERT_EQ(S_OK, m_registrar.RunScript(script, true));
    const std::vector<std::wstring> written = DumpTestRoot();
    const std::vector<std::wstring> wanted = {
        L"\\Class.1",
        L"\\Class.1\\CLSID",
        L"\\Class.1\\CLSID|@={00000000-0000-0000-0000-000000000001}",
        L"\\Class.1\\Insertable",
        L"\\Class.1|@=A class",
        L"\\Shared",
        L"\\Shared\\Mine",
        L"\\Shared\\Mine|@=C:\\O'Neill\\Mervale.dll, 102",
        L"\\Shared\\Mine|Count=dword:131473",
        L"\\Shared\\Mine|Hex=dword:16",
        L"\\Shared\\Mine|Quoted=it's % done",
        L"\\Shared\\Other",
        L"\\Shared|Marker=mine",
    };
    EXPECT_EQ(wanted, written);

    // ForceRemove starts the key afresh; registering again changes nothing.
    HKEY mine = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kTestRoot) + L"\\Shared\\Mine").c_str(), 0,
                                           KEY_WRITE, &mine));
    RegSetValueExW(mine, L"Extra", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(mine);
    ASSERT_EQ(S_OK, m_registrar.RunScript(script, true));
    EXPECT_EQ(wanted, DumpTestRoot());

    ASSERT_EQ(S_OK, m_registrar.RunScript(script, false));
    EXPECT_EQ(before, DumpTestRoot());
    // Unregistering what is not there is no failure.
    EXPECT_EQ(S_OK, m_registrar.RunScript(script, false));
}

// A script that cannot be read in full changes nothing.
TEST_F(RegistrarScripts, RefusesScriptsItCannotReadWithoutWriting) {
    const std::vector<std::wstring> before = DumpTestRoot();
    const std::wstring bad[] = {
        Script(L"'Written' = s 'first' 'Open' {"),         // a block without its end
        Script(L"'Written' = s 'first' 'Text = s 'x'"),    // a quote without its end
        Script(L"'Written' = s 'first' 'Number' = d 'x'"), // not a number
        Script(L"'Written' = s 'first' 'Binary' = b '00'"),// a value type it does not write
        Script(L"'Written' = s '%UNKNOWN%'"),              // a replacement it does not have
        Script(L"val 'NoValue'"),                          // a named value without a value
        L"HKXX { 'Written' = s 'first' }",                 // no such root
    };
    for (const std::wstring& script : bad) {
        EXPECT_EQ(E_INVALIDARG, m_registrar.RunScript(script, true)) << script.c_str();
        EXPECT_EQ(before, DumpTestRoot()) << script.c_str();
    }
}

// A listing line: "%d\t%s\t%d\t%d\t%s\n", never longer than 1024 characters
// and always ending with its "\n"; a text too long for it is shortened first.
TEST(PexoManagerLines, FormatAndBound) {
    using mervale::CPexoManager;
    EXPECT_EQ(L"12\t\u5FAE\u7B11\t20\t18\tC:\\p\\a.gif\n",
              CPexoManager::FormatObjectLine(12, L"\u5FAE\u7B11", 20, 18, L"C:\\p\\a.gif"));
    EXPECT_EQ(L"0\t\t65535\t65535\t\n", CPexoManager::FormatObjectLine(0, L"", 65535, 65535, L""));

    const std::wstring longText(3000, L't');
    const std::wstring path = L"C:\\pictures\\" + std::wstring(200, L'p') + L".gif";
    const std::wstring line = CPexoManager::FormatObjectLine(7, longText, 1, 2, path);
    EXPECT_EQ(CPexoManager::kMaxLine, line.size());
    EXPECT_EQ(L'\n', line.back());
    EXPECT_EQ(0u, line.find(L"7\tttt"));
    EXPECT_EQ(line.size() - path.size() - 1, line.rfind(path));
    EXPECT_NE(std::wstring::npos, line.find(L"\t1\t2\t"));

    const std::wstring longPath(3000, L'q');
    const std::wstring cut = CPexoManager::FormatObjectLine(7, L"text", 1, 2, longPath);
    EXPECT_EQ(CPexoManager::kMaxLine, cut.size());
    EXPECT_EQ(L'\n', cut.back());
    EXPECT_EQ(0u, cut.find(L"7\t\t1\t2\tqqq"));
}

}  // namespace
