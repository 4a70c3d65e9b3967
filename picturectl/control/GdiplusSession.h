// GdiplusSession: GDI+ for the controls of this module. The first control
// starts GDI+ (version 1), the release of the last one shuts it down.
#pragma once

namespace mervale {

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

}  // namespace mervale
