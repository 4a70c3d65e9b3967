#include "clientui/LocalDateSource.h"

#include <windows.h>

LocalDate CSystemDateSource::Today() const {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return LocalDate{now.wYear, now.wMonth, now.wDay};
}

const CSystemDateSource& CSystemDateSource::Instance() {
    static const CSystemDateSource source;
    return source;
}
