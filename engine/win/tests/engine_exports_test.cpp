// Both engine libraries load, every export of their build resolves by name,
// and each export directory holds exactly those names.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "EngineLibrary.h"

namespace {

std::set<std::string> NamesOf(bool desk) {
    std::set<std::string> names;
#define IM_NAME(name, builds) \
    if (desk || std::string(#builds) == "both") names.insert(#name);
    IM_ENGINE_EXPORTS(IM_NAME)
#undef IM_NAME
    return names;
}

// The names in a loaded module's PE export directory.
std::set<std::string> ExportDirectory(HMODULE module, DWORD& unnamed) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    unnamed = 0;
    if (!entry.VirtualAddress) return names;
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameTable = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i)
        names.insert(reinterpret_cast<const char*>(base + nameTable[i]));
    unnamed = directory->NumberOfFunctions - directory->NumberOfNames;
    return names;
}

struct LibraryCase {
    const wchar_t* file;
    bool desk;
    size_t count;
};

class EngineExports : public ::testing::TestWithParam<LibraryCase> {};

TEST_P(EngineExports, ResolveEveryNameAndExportNothingElse) {
    const LibraryCase& c = GetParam();
    EngineLibrary library;
    ASSERT_TRUE(library.Load(c.file, c.desk)) << "missing: " << library.missing;

    const std::set<std::string> expected = NamesOf(c.desk);
    ASSERT_EQ(expected.size(), c.count);
    DWORD unnamed = 0;
    EXPECT_EQ(ExportDirectory(library.Module(), unnamed), expected);
    EXPECT_EQ(unnamed, 0u);

    // The desk-only functions do not exist in the messenger's library.
    for (const std::string& name : NamesOf(true)) {
        const bool present = GetProcAddress(library.Module(), name.c_str()) != nullptr;
        EXPECT_EQ(present, expected.count(name) == 1) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, EngineExports,
                         ::testing::Values(LibraryCase{L"Kestrin.dll", true, 41},
                                           LibraryCase{L"Ulvarn.dll", false, 23}));

TEST(EngineExports, BothLibrariesLoadSideBySide) {
    EngineLibrary desk, messenger;
    ASSERT_TRUE(desk.Load(L"Kestrin.dll", true));
    ASSERT_TRUE(messenger.Load(L"Ulvarn.dll", false));
    EXPECT_NE(desk.Module(), messenger.Module());
    // Separate engines: each has its own store.
    EXPECT_NE(desk.MGetDataTree(), messenger.MGetDataTree());
    EXPECT_EQ(desk.MGetConnectStatus(), 0);
    EXPECT_EQ(messenger.MIsOffline(), 1);
    EXPECT_EQ(desk.MGetCurUserID(), 0);
}

}  // namespace
