#include "clientui/IMResourceComm.h"

#include "fw/Application.h"

namespace {

const wchar_t* const kScrollBitmapNames[kScrollSkinBitmapCount] = {
    L"Hscrolled_arrow_left",   L"Hscrolled_arrow_right",  L"Hscrolled_slider_center",
    L"Hscrolled_slider_left",  L"Hscrolled_slider_middle", L"Hscrolled_slider_right",
    L"Hscrolled_trough",       L"Vscrolled_arrow_down",   L"Vscrolled_arrow_up_over",
    L"Vscrolled_slider_bottom", L"Vscrolled_slider_center", L"Vscrolled_slider_middle",
    L"Vscrolled_slider_top",   L"Vscrolled_trough",
};

const wchar_t kButtonFolder[] = L"Resource\\Comm\\btn";
// "宋体"
const wchar_t kFontFace[] = L"\u5B8B\u4F53";

HFONT MakeFont(int height, int weight, bool underline) {
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lstrcpynW(lf.lfFaceName, kFontFace, LF_FACESIZE);
    return ::CreateFontIndirectW(&lf);
}

}  // namespace

std::wstring MakeSkinButtonPath(const std::wstring& programFolder, const wchar_t* folder, const wchar_t* name) {
    std::wstring path = programFolder;
    path += folder;
    path += L'\\';
    path += name;
    return path;
}

SkinButtonPaths MakeSkinButtonPaths(const std::wstring& programFolder, const wchar_t* folder,
                                    const wchar_t* first, const wchar_t* second, const wchar_t* third) {
    SkinButtonPaths paths;
    paths.normal = MakeSkinButtonPath(programFolder, folder, first);
    paths.hover = MakeSkinButtonPath(programFolder, folder, second);
    paths.pressed = MakeSkinButtonPath(programFolder, folder, third);
    return paths;
}

std::wstring ResolveSkinProgramFolder(const std::wstring& folder) {
    std::wstring resolved = folder.empty() ? fw::CApplication::GetProgramFolder() : folder;
    if (!resolved.empty() && resolved.back() != L'\\' && resolved.back() != L'/') resolved += L'\\';
    return resolved;
}

CIMResourceComm::CIMResourceComm(std::wstring programFolder)
    : m_programFolder(ResolveSkinProgramFolder(programFolder)) {}

CIMResourceComm::~CIMResourceComm() {
    if (m_hIcon) ::DestroyIcon(m_hIcon);
    // The fonts and bitmaps are released by their owning objects.
}

const wchar_t* CIMResourceComm::ScrollBitmapName(int index) {
    if (index < 0 || index >= kScrollSkinBitmapCount) return L"";
    return kScrollBitmapNames[index];
}

std::wstring CIMResourceComm::SkinPath(const std::wstring& relative) const {
    return m_programFolder + relative;
}

bool CIMResourceComm::LoadBitmapFile(const std::wstring& path, fw::CBitmap& bitmap) {
    bitmap.Reset();
    HANDLE loaded = ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!loaded) return false;
    bitmap.Reset(static_cast<HBITMAP>(loaded));
    return true;
}

void CIMResourceComm::LoadFonts() {
    m_fontNormal.Reset(MakeFont(12, FW_NORMAL, false));
    m_fontUnderline.Reset(MakeFont(13, FW_NORMAL, true));
    m_fontBold.Reset(MakeFont(13, FW_BOLD, false));
}

BOOL CIMResourceComm::Load() {
    LoadBitmapFile(SkinPath(L"Resource\\Comm\\frame_top_title.bmp"), m_bmpTitle);
    LoadBitmapFile(SkinPath(L"Resource\\Comm\\frame_bottom.bmp"), m_bmpBottom);
    LoadBitmapFile(SkinPath(L"Resource\\Comm\\resize.bmp"), m_bmpResize);

    if (m_hIcon) {
        ::DestroyIcon(m_hIcon);
        m_hIcon = nullptr;
    }
    m_hIcon = static_cast<HICON>(::LoadImageW(nullptr, SkinPath(L"Resource\\Comm\\logo32.ico").c_str(), IMAGE_ICON,
                                              0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));

    LoadFonts();

    m_btnMin = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"min01.bmp", L"min02.bmp", L"min03.bmp");
    m_btnMax = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"max01.bmp", L"max02.bmp", L"max03.bmp");
    m_btnRestore = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"max01.bmp", L"max02.bmp", L"max03.bmp");
    m_btnClose = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"close01.bmp", L"close02.bmp", L"close03.bmp");

    for (int i = 0; i < kScrollSkinBitmapCount; ++i) {
        std::wstring relative = L"Resource\\Comm\\Scroll\\";
        relative += kScrollBitmapNames[i];
        relative += L".bmp";
        LoadBitmapFile(SkinPath(relative), m_bmpScroll[i]);
    }

    m_btnSure = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"sure_01.bmp", L"sure_02.bmp", L"sure_03.bmp");
    m_btnCancel =
        MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"cancel_01.bmp", L"cancel_02.bmp", L"cancel_03.bmp");
    m_btnApply = MakeSkinButtonPaths(m_programFolder, kButtonFolder, L"apply_01.bmp", L"apply_02.bmp", L"apply_03.bmp");

    m_bLoaded = TRUE;
    return TRUE;
}
