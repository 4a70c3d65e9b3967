#include "test_support.h"

#include "clientui/IMResourceComm.h"

#include "fw/GdiObject.h"
#include "fw/StringUtil.h"

#include <cstdio>

CPixelCanvas::CPixelCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<DWORD*>(bits);
    m_dc = ::CreateCompatibleDC(nullptr);
    m_old = ::SelectObject(m_dc, m_bitmap);
    fw::CBrush brush(::CreateSolidBrush(fill));
    RECT rc{0, 0, width, height};
    ::FillRect(m_dc, &rc, brush);
}

CPixelCanvas::~CPixelCanvas() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

COLORREF CPixelCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_bits) return CLR_INVALID;
    ::GdiFlush();
    const DWORD v = m_bits[y * m_width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int CPixelCanvas::Count(const RECT& rc, COLORREF colour) const {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (Pixel(x, y) == colour) ++n;
    return n;
}

bool CPixelCanvas::AnyOtherThan(const RECT& rc, COLORREF colour) const {
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (Pixel(x, y) != colour) return true;
    return false;
}

int CPixelCanvas::RightmostInk(int top, int bottom, const std::vector<COLORREF>& backgrounds) const {
    for (int x = m_width - 1; x >= 0; --x) {
        for (int y = top; y < bottom; ++y) {
            const COLORREF c = Pixel(x, y);
            bool background = false;
            for (COLORREF b : backgrounds) background = background || c == b;
            if (!background) return x;
        }
    }
    return -1;
}

std::wstring SkinBinFolder() {
    std::wstring path = L"Z:" + fw::FromAnsi(QV_TEST_BIN_DIR);
    for (wchar_t& ch : path)
        if (ch == L'/') ch = L'\\';
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        PumpMessages();
        ::Sleep(10);
    }
}

UserInfoBase MakeUser(int32_t id, int32_t status, const std::wstring& nickname, const std::wstring& memo,
                      const std::wstring& signature, int32_t faceKind) {
    UserInfoBase u = {};
    u.userId = id;
    u.carried = faceKind;
    u.status = status;
    fw::CopyToAnsiField(nickname, u.nickname);
    fw::CopyToAnsiField(memo, u.memo);
    fw::CopyToAnsiField(signature, u.signature);
    return u;
}

CategoryRecord MakeCategory(int32_t id, const std::wstring& name) {
    CategoryRecord c = {};
    c.id = id;
    c.order = 100 - id;
    fw::CopyToAnsiField(name, c.name);
    return c;
}

namespace {

fw::CImageList LoadList(const std::vector<std::wstring>& paths, int size) {
    fw::CImageList list;
    list.Create(size, size, ILC_COLOR24 | ILC_MASK, static_cast<int>(paths.size()), 1);
    for (const std::wstring& path : paths) {
        fw::CBitmap bitmap;
        if (CIMResourceComm::LoadBitmapFile(path, bitmap)) list.AddMasked(bitmap, RGB(255, 255, 255));
    }
    return list;
}

}  // namespace

fw::CImageList LoadFaceImages(const std::wstring& binFolder, bool small) {
    if (small)
        return LoadList({binFolder + L"Resource\\Face\\small\\boy_0.bmp", binFolder + L"Resource\\Face\\small\\boy_1.bmp"},
                        16);
    return LoadList({binFolder + L"Resource\\Face\\0_0.bmp", binFolder + L"Resource\\Face\\0_1.bmp"}, 40);
}

fw::CImageList LoadStatusImages(const std::wstring& binFolder) {
    std::vector<std::wstring> paths;
    for (int status = 0; status < 6; ++status)
        paths.push_back(binFolder + fw::FormatString(L"Resource\\Status\\status_%d.bmp", status));
    return LoadList(paths, 11);
}

std::vector<CategoryRecord> FixtureCategories() {
    return {
        MakeCategory(1, L"\u6211\u7684\u597D\u53CB"),  // my friends
        MakeCategory(2, L"\u540C\u4E8B"),              // colleagues
        MakeCategory(3, L"\u7A7A\u5206\u7EC4"),        // an empty group
        MakeCategory(4, L"Customers"),
    };
}

FriendMap FixtureFriends() {
    FriendMap map;
    map[L"\u6211\u7684\u597D\u53CB"] = {
        MakeUser(101, STATUS_OFFLINE, L"\u8D75\u516D", L"", L"\u4ECA\u5929\u5929\u6C14\u5F88\u597D"),
        MakeUser(102, STATUS_ONLINE, L"\u5F20\u4E09", L"\u8001\u5F20", L"\u6B22\u8FCE\u54A8\u8BE2"),
        MakeUser(103, STATUS_INVISIBLE, L"\u674E\u56DB", L"0", L"0"),
        MakeUser(104, STATUS_BUSY, L"\u738B\u4E94", L"", L"\u5F00\u4F1A\u4E2D"),
        MakeUser(105, STATUS_AWAY, L"\u5B59\u4E03", L"", L""),
        MakeUser(106, STATUS_DND, L"\u5468\u516B", L"\u5468\u7ECF\u7406", L"\u8BF7\u52FF\u6253\u6270"),
    };
    // Three members, one offline and one invisible: [1/3].
    map[L"\u540C\u4E8B"] = {
        MakeUser(201, STATUS_OFFLINE, L"\u5434\u4E5D"),
        MakeUser(202, STATUS_INVISIBLE, L"\u90D1\u5341"),
        MakeUser(203, STATUS_ONLINE, L"\u51AF\u5B8F"),
    };
    // Matched ignoring case.
    map[L"customers"] = {MakeUser(301, STATUS_ONLINE, L"Alice"), MakeUser(302, STATUS_ONLINE, L"Bob")};
    // A category without a group.
    map[L"\u964C\u751F\u4EBA"] = {MakeUser(401, STATUS_ONLINE, L"\u964C\u751F\u4EBA\u7532")};
    return map;
}

bool SaveWindowBitmap(HWND hWnd, const std::wstring& path) {
    RECT rc = {};
    HDC source;
    if (hWnd) {
        ::GetClientRect(hWnd, &rc);
        source = ::GetDC(hWnd);
    } else {
        rc = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        source = ::GetDC(nullptr);
    }
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    CPixelCanvas canvas(w, h);
    ::BitBlt(canvas.Dc(), 0, 0, w, h, source, 0, 0, SRCCOPY);
    ::ReleaseDC(hWnd, source);
    const int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = canvas.Pixel(x, h - 1 - y);
            BYTE* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    fwrite(&file, sizeof file, 1, f);
    fwrite(&info, sizeof info, 1, f);
    fwrite(pixels.data(), 1, pixels.size(), f);
    fclose(f);
    return true;
}
