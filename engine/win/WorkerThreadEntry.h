// The entry point of every engine worker thread.
//
// The thread body runs in C++ and returns the thread's stopped event. The
// entry then leaves the rest to the system: it queues two APCs to its own
// thread, SetEvent(stopped) and ExitThread(0), and waits alertably. Queued
// APCs run first in, first out within that one wait, and the system's APC
// dispatcher goes from the first straight to the second, so once the event
// is signalled no instruction of this module runs on the thread again. A
// library unload that waits for the stopped events (the loader lock held,
// thread handles never waited on) can therefore unmap the module as soon as
// every event is signalled. The same code serves the 32-bit and the 64-bit
// builds: SetEvent and ExitThread both take one pointer-sized argument in
// the APC's calling convention.
#pragma once

#include <windows.h>

extern "C" {
// CreateThread entry; the parameter is handed to EngineWorkerMain.
DWORD WINAPI EngineWorkerEntry(void* parameter);
// Defined by the application object: runs the worker, returns its stopped
// event (or null when the thread has no entry in the table).
HANDLE __cdecl EngineWorkerMain(void* parameter);
}
