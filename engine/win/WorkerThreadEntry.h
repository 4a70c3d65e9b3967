// The entry point of every engine worker thread.
//
// The thread body runs in C++ and returns the thread's stopped event; the
// entry then signals it with SetEvent returning straight into ExitThread,
// so that once the event is signalled no instruction of this module runs on
// the thread again. A library unload that waits for the stopped events (the
// loader lock held, thread handles never waited on) can therefore unmap the
// module safely as soon as every event is signalled.
#pragma once

#include <windows.h>

extern "C" {
// CreateThread entry; the parameter is handed to EngineWorkerMain.
DWORD WINAPI EngineWorkerEntry(void* parameter);
// Defined by the application object: runs the worker, returns its stopped
// event (or null when the thread has no entry in the table).
HANDLE __cdecl EngineWorkerMain(void* parameter);
}
