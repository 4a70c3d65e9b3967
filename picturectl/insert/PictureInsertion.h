// The insertion of a picture into a rich edit as an animated-picture control
// (Mervale): the one sequence behind the library's insertion exports and the
// clients' rich edits.
//
//   put DisplaySize (when a width and a height are both given), REMode on,
//   LoadFromFile, the OLE object's user class id, a compound storage on
//   global memory, the rich edit's client site, InsertObject at the selection
//   (REO_BELOWBASELINE, DVASPECT_CONTENT, extent from the object, the user
//   word given), then the object is marked contained and enabled.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <richedit.h>
#include <richole.h>

struct IMervale;

namespace mervale {

struct PictureInsertion {
    const wchar_t* path = nullptr;  // the picture file
    int width = 0;                  // display size in pixels, used when both are nonzero
    int height = 0;
    DWORD user = 0;                 // the object's user word (REOBJECT.dwUser)
};

// A new Mervale control, created through COM.
HRESULT CreatePictureControl(IMervale** control);

// Inserts control at the selection of the rich edit (replacing a selected
// object). A failure before InsertObject inserts nothing and returns its
// code (E_INVALIDARG for a null pointer or path, the control's E_FAIL for a
// picture it cannot load). Once the object is in the text the answer is
// S_OK: the later steps only mark it contained and enabled.
HRESULT InsertPictureControl(IRichEditOle* richEditOle, IMervale* control, const PictureInsertion& what);

}  // namespace mervale
