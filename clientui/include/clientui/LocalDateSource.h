// ILocalDateSource: where the file-transfer panel takes today's local date
// from (the stored names of files begin with month and day). The programs
// use the system clock; tests give a side a date of its own.
#pragma once

struct LocalDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

class ILocalDateSource {
public:
    virtual ~ILocalDateSource() = default;
    virtual LocalDate Today() const = 0;
};

// The local date of the system clock.
class CSystemDateSource : public ILocalDateSource {
public:
    LocalDate Today() const override;
    static const CSystemDateSource& Instance();
};
