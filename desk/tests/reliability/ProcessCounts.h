// The GDI objects, USER objects and kernel handles of another process, for
// the leak test. GetGuiResources and GetProcessHandleCount answer 0 under
// Wine, so the counts are taken the way the platform keeps them:
// - GDI: the process's GDI handle table, whose address its PEB holds
//   (GdiSharedHandleTable), read with ReadProcessMemory;
// - USER: QvGuiProbe.dll loaded into the process and its count run on a
//   thread there (windows, menus, icons and cursors, accelerator tables);
// - handles: the system's handle list (NtQuerySystemInformation).
// Where GetGuiResources does answer (Windows), its figures are taken.
#pragma once

#include <windows.h>

#include <string>

namespace tavreltest {

struct ProcessCounts {
    long gdi = -1;
    long user = -1;
    long handles = -1;
    long windows = -1;  // of the USER objects
    long menus = -1;
    long icons = -1;
};

class CProcessCounter {
public:
    // probeDll: the full path of QvGuiProbe.dll.
    CProcessCounter(HANDLE process, std::wstring probeDll);
    ~CProcessCounter();
    CProcessCounter(const CProcessCounter&) = delete;
    CProcessCounter& operator=(const CProcessCounter&) = delete;

    // Loads the probe into the process; false when it could not.
    bool Attach();
    ProcessCounts Count();
    std::wstring Error() const { return m_error; }

private:
    long CountGdi();
    long CountHandles();
    long RunProbe(UINT_PTR kinds);

    HANDLE m_process;
    std::wstring m_probeDll;
    HMODULE m_localProbe = nullptr;
    void* m_remoteCount = nullptr;
    std::wstring m_error;
};

std::string Describe(const ProcessCounts& counts);

}  // namespace tavreltest
