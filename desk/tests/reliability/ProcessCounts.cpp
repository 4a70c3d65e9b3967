#include "ProcessCounts.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace tavreltest {

namespace {

// One entry of the GDI handle table (the 64-bit layout).
struct GdiTableEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entry");
constexpr size_t kGdiTableEntries = 0x10000;
#ifdef _WIN64
constexpr size_t kPebGdiTableOffset = 0xF8;
#else
constexpr size_t kPebGdiTableOffset = 0x94;
#endif

// SystemExtendedHandleInformation (64): entries with full process ids.
struct ExtendedHandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};
// SystemHandleInformation (16): 16-bit process ids.
struct HandleEntry {
    USHORT processId;
    USHORT backTrace;
    UCHAR type;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

// An export as a plain address (cast to its type by the caller).
void* NtFunction(const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name));
}

}  // namespace

CProcessCounter::CProcessCounter(HANDLE process, std::wstring probeDll)
    : m_process(process), m_probeDll(std::move(probeDll)) {}

CProcessCounter::~CProcessCounter() {
    if (m_localProbe) ::FreeLibrary(m_localProbe);
}

bool CProcessCounter::Attach() {
    m_localProbe = ::LoadLibraryW(m_probeDll.c_str());
    if (!m_localProbe) {
        m_error = L"the probe does not load here";
        return false;
    }
    void* localCount = reinterpret_cast<void*>(::GetProcAddress(m_localProbe, "QvCountUserObjects"));
    const size_t pathBytes = (m_probeDll.size() + 1) * sizeof(wchar_t);
    void* remotePath = ::VirtualAllocEx(m_process, nullptr, pathBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!localCount || !remotePath || !::WriteProcessMemory(m_process, remotePath, m_probeDll.c_str(), pathBytes, nullptr)) {
        m_error = L"no room for the probe's path in the process";
        return false;
    }
    auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = ::CreateRemoteThread(m_process, nullptr, 0, loadLibrary, remotePath, 0, nullptr);
    if (!thread) {
        m_error = L"no thread in the process";
        return false;
    }
    ::WaitForSingleObject(thread, 20000);
    ::CloseHandle(thread);
    ::VirtualFreeEx(m_process, remotePath, 0, MEM_RELEASE);
    // Where the probe landed in the process.
    HMODULE modules[1024];
    DWORD needed = 0;
    if (!::EnumProcessModules(m_process, modules, sizeof modules, &needed)) {
        m_error = L"the process's modules cannot be listed";
        return false;
    }
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
        wchar_t name[MAX_PATH] = {};
        ::GetModuleBaseNameW(m_process, modules[i], name, MAX_PATH);
        if (::lstrcmpiW(name, L"QvGuiProbe.dll") != 0) continue;
        m_remoteCount = reinterpret_cast<char*>(modules[i]) +
                        (reinterpret_cast<char*>(localCount) - reinterpret_cast<char*>(m_localProbe));
        return true;
    }
    m_error = L"the probe is not among the process's modules";
    return false;
}

long CProcessCounter::RunProbe(UINT_PTR kinds) {
    if (!m_remoteCount) return -1;
    HANDLE thread = ::CreateRemoteThread(m_process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(m_remoteCount),
                                         reinterpret_cast<void*>(kinds), 0, nullptr);
    if (!thread) return -1;
    DWORD code = 0;
    const bool done = ::WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    return done ? static_cast<long>(code) : -1;
}

long CProcessCounter::CountGdi() {
    auto query = reinterpret_cast<QueryProcess>(NtFunction("NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (!query || query(m_process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) return -1;
    UINT_PTR table = 0;
    if (!::ReadProcessMemory(m_process, reinterpret_cast<char*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                             sizeof table, nullptr) ||
        !table)
        return -1;
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    SIZE_T got = 0;
    if (!::ReadProcessMemory(m_process, reinterpret_cast<void*>(table), entries.data(),
                             entries.size() * sizeof(GdiTableEntry), &got))
        return -1;
    long count = 0;
    for (size_t i = 0; i < got / sizeof(GdiTableEntry); ++i) count += entries[i].type != 0;
    return count;
}

long CProcessCounter::CountHandles() {
    auto query = reinterpret_cast<QuerySystem>(NtFunction("NtQuerySystemInformation"));
    if (!query) return -1;
    const DWORD id = ::GetProcessId(m_process);
    std::vector<char> buffer(1 << 22);
    ULONG length = 0;
    if (query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &length) == 0) {
        const ULONG_PTR count = *reinterpret_cast<ULONG_PTR*>(buffer.data());
        const auto* entries = reinterpret_cast<const ExtendedHandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
        long mine = 0;
        for (ULONG_PTR i = 0; i < count; ++i) mine += entries[i].processId == id;
        return mine;
    }
    if (query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) return -1;
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    long mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].processId == static_cast<USHORT>(id);
    return mine;
}

ProcessCounts CProcessCounter::Count() {
    ProcessCounts counts;
    const DWORD gdi = ::GetGuiResources(m_process, GR_GDIOBJECTS);
    const DWORD user = ::GetGuiResources(m_process, GR_USEROBJECTS);
    DWORD handles = 0;
    counts.gdi = gdi ? static_cast<long>(gdi) : CountGdi();
    counts.windows = RunProbe(1);
    counts.menus = RunProbe(2);
    counts.icons = RunProbe(4);
    counts.user = user ? static_cast<long>(user) : RunProbe(0);
    counts.handles = ::GetProcessHandleCount(m_process, &handles) && handles ? static_cast<long>(handles) : CountHandles();
    return counts;
}

std::string Describe(const ProcessCounts& c) {
    char text[200];
    std::snprintf(text, sizeof text, "GDI %ld, USER %ld (windows %ld, menus %ld, icons %ld), handles %ld", c.gdi, c.user,
                  c.windows, c.menus, c.icons, c.handles);
    return text;
}

}  // namespace tavreltest
