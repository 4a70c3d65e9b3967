#include "GdiplusSession.h"

#include <windows.h>
#include "GdiplusHeaders.h"

namespace mervale {

namespace {
SRWLOCK g_lock = SRWLOCK_INIT;
int g_users = 0;
ULONG_PTR g_token = 0;
}  // namespace

GdiplusSession::GdiplusSession() {
    AcquireSRWLockExclusive(&g_lock);
    if (g_users == 0) {
        Gdiplus::GdiplusStartupInput input;  // version 1
        if (Gdiplus::GdiplusStartup(&g_token, &input, nullptr) != Gdiplus::Ok) g_token = 0;
    }
    if (g_token != 0) {
        ++g_users;
        m_started = true;
    }
    ReleaseSRWLockExclusive(&g_lock);
}

GdiplusSession::~GdiplusSession() {
    if (!m_started) return;
    AcquireSRWLockExclusive(&g_lock);
    if (--g_users == 0) {
        Gdiplus::GdiplusShutdown(g_token);
        g_token = 0;
    }
    ReleaseSRWLockExclusive(&g_lock);
}

}  // namespace mervale
