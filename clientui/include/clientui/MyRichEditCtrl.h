// CMyRichEditCtrl: the rich edit of the message inputs, the history views and
// (through CChatLogEdit) the chat logs. It gives the control an OLE callback
// so that it can hold embedded objects, inserts pictures as animated-picture
// controls (Mervale) carrying a PictureObjectInfo in their user word, inserts
// bitmaps (screenshots) as static OLE pictures, pastes a picture from the
// clipboard as such a picture (Ctrl+V, Shift+Insert, WM_PASTE, when the
// clipboard holds a bitmap and no text), and opens a double-clicked picture
// in the system's picture viewer.
//
// Set-up happens when the object takes its window (Create or Subclass): the
// event mask becomes ENM_CHANGE | ENM_SCROLL | ENM_SELCHANGE and the OLE
// callback is registered. The reflected EN_CHANGE is consumed here.
#pragma once

#include "fw/RichEditCtrl.h"

#include "clientui/PictureObjectInfo.h"

#include <string>

struct IMervale;

class CMyRichEditCtrl : public fw::CRichEditCtrl {
public:
    static constexpr DWORD kEventMask = ENM_CHANGE | ENM_SCROLL | ENM_SELCHANGE;

    CMyRichEditCtrl();
    ~CMyRichEditCtrl() override;

    // Creates a RichEdit 2.0 control as a child of parent (the program has
    // loaded "riched20.dll"). Null when the control cannot be created.
    HWND Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    // Takes over an existing rich edit (typically a dialog control).
    bool Subclass(HWND hWnd);
    bool SubclassDlgItem(UINT id, HWND parent) { return Subclass(::GetDlgItem(parent, id)); }

    // Inserts the picture file at path at the selection (replacing a selected
    // object) as an animated-picture control whose user word is info. 1 on
    // success; 0 when a pointer is null, the control cannot be created or
    // the picture cannot be loaded, and then nothing is inserted. Once the
    // object is in the text the answer is 1, so the caller never frees a
    // record that an object still carries.
    BOOL InsertImageObject(IRichEditOle* richEditOle, LPCWSTR path, PictureObjectInfo* info);
    // Inserts a copy of bitmap at the selection as a static OLE picture; the
    // caller keeps the bitmap. 1 on success, 0 on failure.
    BOOL InsertStaticPicture(IRichEditOle* richEditOle, HBITMAP bitmap);

    // Pastes the clipboard's bitmap at the selection as a static picture;
    // false (nothing done) when the control is read-only, the clipboard
    // holds text or no bitmap, or the picture cannot be inserted.
    bool PasteBitmap();

    // The embedded objects, in text order.
    LONG GetObjectCount() const;
    // The record of object index, or null when it carries none.
    PictureObjectInfo* GetObjectInfo(LONG index) const;

    // The drop effect of a drop (not a drag) with the key state: a link with
    // Ctrl and Shift, a copy with Ctrl alone, else a move; the allowed
    // effects stay as they are when they do not include the wanted one.
    static DWORD DragDropEffect(BOOL drag, DWORD keyState, DWORD allowed);
    // The viewer's parameters for a picture: "<system>\shimgvw.dll
    // imageview_fullscreen <path>".
    static std::wstring PictureViewerParameters(const std::wstring& systemFolder, const std::wstring& path);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // Event mask and OLE callback, when the window has been taken over.
    virtual void PreSubclassWindow();
    // A new animated-picture control (through COM).
    virtual HRESULT CreatePictureControl(IMervale** control);
    // Starts the picture viewer program with the parameters.
    virtual void StartPictureViewer(const std::wstring& program, const std::wstring& parameters);

    void OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    // Selects the object under the point (client coordinates); false when
    // there is none.
    bool SelectObjectAt(POINT point);
    // The first picture object at or after the start of the caret's line
    // (what a double click opens); null when there is none.
    PictureObjectInfo* PictureOnCaretLine() const;

private:
    class XRichEditOleCallback;
    XRichEditOleCallback* m_callback;  // one reference, released with the object
};
