// CIMResourceComm: the common frame skin that every panel loads for itself.
//
// Every picture is a file under the folder "Resource" of the program folder
// (nothing of the skin is compiled into the program). Bitmaps that a panel
// paints itself are loaded into bitmap objects; the pictures of skinned
// buttons are kept only as full paths and handed to the buttons, which load
// them. A file that cannot be loaded leaves its bitmap empty (painting code
// skips empty bitmaps) or its icon null; nothing is reported.
//
// Paths are always built from the program folder (or the folder given to the
// constructor), never from the process's current folder. UI thread only.
#pragma once

#include "fw/GdiObject.h"

#include <windows.h>

#include <string>

// Indexes of CIMResourceComm::m_bmpScroll, in the order they are loaded.
enum ScrollSkinBitmap {
    kHScrollArrowLeft,
    kHScrollArrowRight,
    kHScrollSliderCenter,
    kHScrollSliderLeft,
    kHScrollSliderMiddle,
    kHScrollSliderRight,
    kHScrollTrough,
    kVScrollArrowDown,
    kVScrollArrowUpOver,
    kVScrollSliderBottom,
    kVScrollSliderCenter,
    kVScrollSliderMiddle,
    kVScrollSliderTop,
    kVScrollTrough,
    kScrollSkinBitmapCount
};

// The three pictures of a skinned button: normal, hover, pressed (a button
// uses the normal one again for its disabled state).
struct SkinButtonPaths {
    std::wstring normal;
    std::wstring hover;
    std::wstring pressed;
};

class CIMResourceComm {
public:
    // programFolder: the folder holding "Resource", ending in a backslash;
    // empty for the folder of the running program.
    explicit CIMResourceComm(std::wstring programFolder = std::wstring());
    virtual ~CIMResourceComm();

    CIMResourceComm(const CIMResourceComm&) = delete;
    CIMResourceComm& operator=(const CIMResourceComm&) = delete;

    // Loads a bitmap file (IMAGE_BITMAP, its own size) into bitmap. The
    // bitmap held before is released first, so a failed load leaves the
    // object empty. The path is used as given. Returns whether it loaded.
    static bool LoadBitmapFile(const std::wstring& path, fw::CBitmap& bitmap);

    // Loads everything below in the order declared, then sets the loaded
    // flag. Always TRUE: missing files only leave their pictures empty.
    BOOL Load();
    bool IsLoaded() const { return m_bLoaded != FALSE; }

    // The program folder used for every path, ending in a backslash.
    const std::wstring& GetProgramFolder() const { return m_programFolder; }
    // The full path of a skin file given relative to the program folder,
    // e.g. L"Resource\\Comm\\resize.bmp".
    std::wstring SkinPath(const std::wstring& relative) const;

    BOOL m_bLoaded = FALSE;

    // Frame bitmaps.
    fw::CBitmap m_bmpTitle;    // "Resource\Comm\frame_top_title.bmp"
    fw::CBitmap m_bmpBottom;   // "Resource\Comm\frame_bottom.bmp"
    fw::CBitmap m_bmpResize;   // "Resource\Comm\resize.bmp"

    // The program icon, "Resource\Comm\logo32.ico"; null when missing.
    HICON m_hIcon = nullptr;

    // Face "宋体": height 12 normal; height 13 underlined; height 13 bold.
    fw::CFont m_fontNormal;
    fw::CFont m_fontUnderline;
    fw::CFont m_fontBold;

    // Caption buttons, full paths under "Resource\Comm\btn".
    SkinButtonPaths m_btnMin;      // min01..03.bmp
    SkinButtonPaths m_btnMax;      // max01..03.bmp
    SkinButtonPaths m_btnRestore;  // the same max01..03.bmp
    SkinButtonPaths m_btnClose;    // close01..03.bmp

    // Scroll-bar bitmaps under "Resource\Comm\Scroll" (ScrollSkinBitmap).
    fw::CBitmap m_bmpScroll[kScrollSkinBitmapCount];

    // Dialog buttons, full paths under "Resource\Comm\btn".
    SkinButtonPaths m_btnSure;     // sure_01..03.bmp
    SkinButtonPaths m_btnCancel;   // cancel_01..03.bmp
    SkinButtonPaths m_btnApply;    // apply_01..03.bmp

    // The file name (without ".bmp") of each scroll-bar bitmap.
    static const wchar_t* ScrollBitmapName(int index);

private:
    void LoadFonts();

    std::wstring m_programFolder;
};

// The folder that skin paths start from: the given folder, ending in a
// backslash; an empty folder gives the folder of the
// running program (GetModuleFileNameW).
std::wstring ResolveSkinProgramFolder(const std::wstring& folder);

// The full path of "<folder>\<name>" under the program folder, the way the
// skin records build their button paths: programFolder + folder + "\" + name.
std::wstring MakeSkinButtonPath(const std::wstring& programFolder, const wchar_t* folder, const wchar_t* name);

// The normal, hover and pressed paths of a button whose pictures are
// "<folder>\<stem><s1>", "<stem><s2>", "<stem><s3>" under the program folder.
SkinButtonPaths MakeSkinButtonPaths(const std::wstring& programFolder, const wchar_t* folder,
                                    const wchar_t* first, const wchar_t* second, const wchar_t* third);
