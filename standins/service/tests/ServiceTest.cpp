// Runs Service.exe the way the clients start it and checks what it called.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {
int failures = 0;
int passes = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    ok ? ++passes : ++failures;
}

DWORD Run(const std::wstring& exe, const std::wstring& parameters) {
    std::wstring commandLine = L"\"" + exe + L"\" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? std::wstring(full) : std::wstring(path);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: service_test <Service.exe> <FakeServer.dll>\n");
        return 2;
    }
    const std::wstring service = FullPath(argv[1]);
    const std::wstring server = FullPath(argv[2]);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t log[MAX_PATH];
    GetTempFileNameW(temp, L"svc", 0, log);
    SetEnvironmentVariableW(L"QV_FAKE_SERVER_LOG", log);

    struct Case {
        std::wstring parameters;
        DWORD exitCode;
        std::string logged;
    } const cases[] = {
        {L"\"" + server + L"\" -Register", 0, "register\n"},
        {L"\"" + server + L"\" -Unregister", 0, "unregister\n"},
        {L"\"" + server + L"\"", 1, ""},
        {L"\"" + server + L"\" -Install", 1, ""},
        {L"\"" + server + L".missing\" -Register", 2, ""},
    };
    for (const Case& c : cases) {
        DeleteFileW(log);
        const DWORD code = Run(service, c.parameters);
        std::string label(c.parameters.begin(), c.parameters.end());
        Check(code == c.exitCode, "exit code of " + label);
        Check(ReadAll(log) == c.logged, "entry point called by " + label);
    }
    DeleteFileW(log);
    std::printf("%d passed, %d failed\n", passes, failures);
    return failures ? 1 : 0;
}
