#include "WorkerThreadEntry.h"

#if !defined(__i386__)
#error "The worker entry is written for 32-bit x86."
#endif

// stdcall entry: call the body, then
//   SetEvent(stopped) with its return address set to ExitThread, and
//   ExitThread(0) finding its argument below that.
// SetEvent pops its own argument (stdcall) and "returns" into ExitThread.
asm(R"(
    .text
    .globl _EngineWorkerEntry@4
    .def _EngineWorkerEntry@4; .scl 2; .type 32; .endef
_EngineWorkerEntry@4:
    pushl 4(%esp)
    call _EngineWorkerMain
    addl $4, %esp
    pushl $0
    pushl $0
    pushl %eax
    pushl __imp__ExitThread@4
    jmp *__imp__SetEvent@4
)");
