// Helpers of the panel, button and skin tests: a scratch folder, picture
// files of one colour, message pumping and GDI+ for the whole run.
#pragma once

#include "fw/Application.h"
#include "fw/DeviceContext.h"
#include "fw/GdiObject.h"
#include "fw/GdiPlusSession.h"
#include "fw/MessageLoop.h"
#include "fw/Window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace paneltest {

// Runs every waiting message through the framework's loop, for up to ms
// milliseconds or until the queue is empty.
inline void Pump(DWORD ms = 50) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::CMessageLoop::Process(msg);
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

// Pumps until done() holds or ms milliseconds have passed; returns done().
// Real input goes through the window server and may take a while on a
// loaded machine, so tests of its effects wait for them rather than for a
// fixed time.
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 3000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= ms) return false;
        Pump(10);
    }
    return true;
}

// A fresh empty folder under the temporary folder, removed with its files.
class CScratchFolder {
public:
    CScratchFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        wchar_t name[MAX_PATH] = {};
        ::GetTempFileNameW(base, L"pnl", 0, name);
        ::DeleteFileW(name);
        ::CreateDirectoryW(name, nullptr);
        m_path = name;
        m_path += L'\\';
    }
    ~CScratchFolder() {
        for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(m_path.c_str());
    }
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) {
        m_files.push_back(m_path + name);
        return m_files.back();
    }

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

// Writes a 24-bit BMP of width x height pixels in colour, with the pixel at
// (0, 0) in corner when corner differs from colour.
inline bool WriteBmp(const std::wstring& path, int width, int height, COLORREF colour,
                     COLORREF corner = CLR_INVALID) {
    const int stride = (width * 3 + 3) & ~3;
    const DWORD imageSize = static_cast<DWORD>(stride * height);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(imageSize, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = (x == 0 && y == 0 && corner != CLR_INVALID) ? corner : colour;
            uint8_t* p = &pixels[static_cast<size_t>((height - 1 - y) * stride + x * 3)];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(h, &file, sizeof file, &written, nullptr) && ::WriteFile(h, &info, sizeof info, &written, nullptr) &&
              ::WriteFile(h, pixels.data(), imageSize, &written, nullptr);
    ::CloseHandle(h);
    return ok;
}

inline bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A plain top-level parent that paints one colour and records the commands
// it gets.
class CColourParent : public fw::CWindow {
public:
    explicit CColourParent(COLORREF colour) : m_colour(colour) {}
    std::vector<WPARAM> commands;

protected:
    bool OnPaint() override {
        fw::CPaintDC dc(m_hWnd);
        fw::CBrush brush(::CreateSolidBrush(m_colour));
        const RECT rc = GetClientRect();
        ::FillRect(dc, &rc, brush);
        return true;
    }
    bool OnEraseBkgnd(HDC, LRESULT* result) override {
        *result = 1;
        return true;
    }
    bool OnCommand(WPARAM wParam, LPARAM) override {
        commands.push_back(wParam);
        return true;
    }

private:
    COLORREF m_colour;
};

// GDI+ for the whole test run (the buttons decode their pictures with it).
class CGdiPlusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_session.Start(); }
    void TearDown() override { m_session.Shutdown(); }

private:
    fw::CGdiPlusSession m_session;
};

}  // namespace paneltest
