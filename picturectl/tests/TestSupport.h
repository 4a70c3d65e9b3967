// Shared helpers of the control tests: where the fixtures and the library
// are, file bytes, streams and storages on global memory, OLE per test program.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "com/ComPtr.h"

#include <string>
#include <vector>

namespace picturetest {

// The folder of the running test program.
inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

// Fixtures are written by make_fixtures.py into tests/picturectl.
inline std::wstring FixturePath(const wchar_t* name) { return ProgramFolder() + L"\\picturectl\\" + name; }

// Deliverables lie in bin/, beside tests/.
inline std::wstring MervaleDllPath() {
    const std::wstring tests = ProgramFolder();
    return tests.substr(0, tests.find_last_of(L"\\/")) + L"\\bin\\Mervale.dll";
}

inline std::vector<BYTE> ReadFileBytes(const std::wstring& path) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    BYTE piece[4096];
    DWORD read = 0;
    while (ReadFile(file, piece, sizeof piece, &read, nullptr) && read) bytes.insert(bytes.end(), piece, piece + read);
    CloseHandle(file);
    return bytes;
}

// A stream on global memory holding the bytes, positioned at its start.
inline com::ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    com::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()))) return stream;
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

inline std::vector<BYTE> StreamBytes(IStream* stream) {
    std::vector<BYTE> bytes;
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    BYTE piece[4096];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(piece, sizeof piece, &read)) && read) bytes.insert(bytes.end(), piece, piece + read);
    return bytes;
}

// A compound-file storage on global memory, as a rich edit gives its objects.
inline com::ComPtr<IStorage> StorageOnGlobalMemory() {
    com::ComPtr<ILockBytes> lockBytes;
    com::ComPtr<IStorage> storage;
    if (SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.Receive()))) {
        StgCreateDocfileOnILockBytes(lockBytes.Get(), STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0,
                                     storage.Receive());
    }
    return storage;
}

// OLE on the test thread for the whole program.
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

}  // namespace picturetest
