// CClientImageLists: the three image lists a client program loads from its
// skin at start-up, each with its icon cache:
//   faces     the clients' own size and files (ImageListSpec), white key
//   tray      32 x 32, "Resource\Status\sysTray\sysTray_<status>.ico", 0..5
//   statuses  11 x 11, "Resource\Status\status_<status>.bmp", 0..5, white key
// A file that does not load keeps its slot (CIconListCache), so the tray
// and status indices stay status numbers and the face indices face numbers.
// The icons handed out stay owned by this object.
#pragma once

#include "clientui/IconListCache.h"

#include <windows.h>

#include <string>
#include <vector>

struct FaceListSpec {
    int size;                         // pixels, square
    std::vector<std::wstring> files;  // relative to "Resource\", in image order
};

// The desk's faces: 16 x 16, "Face\small\boy_0.bmp" and "boy_1.bmp".
const FaceListSpec& DeskFaceList();
// The messenger's faces: 40 x 40, row 0 of "Face\<row>_<column>.bmp",
// columns 0 and 1.
const FaceListSpec& MessengerFaceList();

class CClientImageLists {
public:
    static constexpr int kStatusCount = 6;
    static constexpr COLORREF kMaskColour = 0xFFFFFF;

    // Loads the three lists from "<programFolder>Resource\" (the folder ends
    // in a backslash). Always TRUE: missing files leave blank slots.
    BOOL Load(const std::wstring& programFolder, const FaceListSpec& faces);

    // The face image of a kind and an index: a kind of 1 or more counts as
    // 0 (0 and negative kinds are taken as they are), an index of 4 or more
    // as 1; the image is index + 2 * kind.
    static int FaceImageIndex(int kind, int index);

    // Null outside the lists and for a slot whose file did not load.
    HICON GetFaceIcon(int kind, int index) { return m_faces.GetIcon(FaceImageIndex(kind, index)); }
    HICON GetTrayIcon(int index) { return m_tray.GetIcon(index); }
    HICON GetStatusIcon(int index) { return m_statuses.GetIcon(index); }

    HIMAGELIST GetFaceImageList() const { return m_faces.GetList(); }
    HIMAGELIST GetTrayImageList() const { return m_tray.GetList(); }
    HIMAGELIST GetStatusImageList() const { return m_statuses.GetList(); }

private:
    CIconListCache m_faces;
    CIconListCache m_tray;
    CIconListCache m_statuses;
};
