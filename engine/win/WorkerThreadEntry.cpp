#include "WorkerThreadEntry.h"

namespace {

// An APC routine from a system function of one pointer-sized argument. The
// detour through a plain function pointer type tells the compiler that the
// conversion is meant.
template <class Function>
PAPCFUNC AsApc(Function* function) {
    return reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

extern "C" DWORD WINAPI EngineWorkerEntry(void* parameter) {
    HANDLE stopped = EngineWorkerMain(parameter);
    HANDLE self = GetCurrentThread();
    const bool signalQueued =
        stopped && QueueUserAPC(AsApc(&SetEvent), self, reinterpret_cast<ULONG_PTR>(stopped));
    // Without the second APC the wait would return here after the event:
    // end the thread unsignalled instead, and let its entry linger until the
    // thread is gone (the path of a thread that missed the stop wait).
    if (QueueUserAPC(AsApc(&ExitThread), self, 0) && (signalQueued || !stopped))
        SleepEx(INFINITE, TRUE);
    ExitThread(0);
}
