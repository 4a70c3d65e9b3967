// CMyRichEditCtrl in a real rich edit: set-up, picture and screenshot
// insertion, failures that leave the input as it was, object walks, drop
// effects and the picture viewer on a double click.
#include "RichEditTestSupport.h"

#include <richedit.h>
#include <richole.h>

#include <cstring>
#include <map>

#include "Mervale_h.h"
#include "clientui/MyRichEditCtrl.h"
#include "clientui/ReObject.h"
#include "fw/ComPtr.h"
#include "fw/GdiObject.h"

using fw::CComPtr;
using richedittest::FixturePath;

namespace {

// An animated-picture control whose Enabled property cannot be set: every
// call goes to a real control except that one.
class CStubbornControl final : public IMervale {
public:
    explicit CStubbornControl(IMervale* inner) : m_inner(inner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IMervale)) {
            *object = static_cast<IMervale*>(this);
            AddRef();
            return S_OK;
        }
        return m_inner->QueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_references; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_references;
        if (!left) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return m_inner->GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return m_inner->GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return m_inner->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument) override {
        return m_inner->Invoke(id, iid, lcid, flags, params, result, exception, argument);
    }
    STDMETHODIMP put_Enabled(VARIANT_BOOL) override { return E_FAIL; }
    STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override { return m_inner->get_Enabled(value); }
    STDMETHODIMP put_Text(BSTR text) override { return m_inner->put_Text(text); }
    STDMETHODIMP get_Text(BSTR* text) override { return m_inner->get_Text(text); }
    STDMETHODIMP LoadFromFile(BSTR file) override { return m_inner->LoadFromFile(file); }
    STDMETHODIMP LoadFromResource(OLE_HANDLE instance, BSTR name, BSTR type) override {
        return m_inner->LoadFromResource(instance, name, type);
    }
    STDMETHODIMP Play() override { return m_inner->Play(); }
    STDMETHODIMP Stop() override { return m_inner->Stop(); }
    STDMETHODIMP GetFilePath(BSTR* path) override { return m_inner->GetFilePath(path); }
    STDMETHODIMP get_DisplaySize(LONG* size) override { return m_inner->get_DisplaySize(size); }
    STDMETHODIMP put_DisplaySize(LONG size) override { return m_inner->put_DisplaySize(size); }
    STDMETHODIMP get_REMode(VARIANT_BOOL* value) override { return m_inner->get_REMode(value); }
    STDMETHODIMP put_REMode(VARIANT_BOOL value) override { return m_inner->put_REMode(value); }
    STDMETHODIMP AboutBox() override { return m_inner->AboutBox(); }
    STDMETHODIMP LoadFromStream(IUnknown* stream) override { return m_inner->LoadFromStream(stream); }

private:
    ~CStubbornControl() = default;
    CComPtr<IMervale> m_inner;
    ULONG m_references = 1;
};

// Records what the viewer would start, and can say that the controls are
// not there or hand out stubborn ones.
class CTestRichEdit : public CMyRichEditCtrl {
public:
    using CMyRichEditCtrl::PictureOnCaretLine;

    bool controlsMissing = false;
    bool stubbornControls = false;
    std::vector<std::pair<std::wstring, std::wstring>> viewerStarts;

protected:
    HRESULT CreatePictureControl(IMervale** control) override {
        if (controlsMissing) {
            *control = nullptr;
            return REGDB_E_CLASSNOTREG;
        }
        HRESULT hr = CMyRichEditCtrl::CreatePictureControl(control);
        if (SUCCEEDED(hr) && stubbornControls) {
            IMervale* inner = *control;
            *control = new CStubbornControl(inner);
            inner->Release();
        }
        return hr;
    }
    void StartPictureViewer(const std::wstring& program, const std::wstring& parameters) override {
        viewerStarts.emplace_back(program, parameters);
    }
};

// Counts the EN_CHANGE notifications that reach it, by control id.
class CCountingHost : public richedittest::CHostWindow {
public:
    std::map<int, int> changes;

protected:
    bool OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (HIWORD(wParam) == EN_CHANGE) ++changes[LOWORD(wParam)];
        return false;
    }
};

class MyRichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.IsWindow());
        RECT rect = {0, 0, 500, 300};
        ASSERT_TRUE(m_edit.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, rect, m_host, 100));
        m_ole = CComPtr<IRichEditOle>::Adopt(m_edit.GetOleInterface());
        ASSERT_TRUE(m_ole);
    }

    void TypeText(const std::wstring& text) {
        m_edit.SetSelEnd();
        m_edit.ReplaceSel(text);
    }
    BOOL InsertPicture(const std::wstring& path, PictureObjectInfo* info) {
        return m_edit.InsertImageObject(m_ole.Get(), path.c_str(), info);
    }
    PictureObjectInfo* NewInfo(const std::wstring& name) {
        m_infos.push_back(std::make_unique<PictureObjectInfo>());
        m_infos.back()->state = PictureObjectInfo::kShown;
        m_infos.back()->path = FixturePath(name.c_str());
        m_infos.back()->name = name;
        return m_infos.back().get();
    }
    LONG ObjectCp(LONG index) {
        CReObject object;
        EXPECT_TRUE(object.Read(m_ole.Get(), index, REO_GETOBJ_NO_INTERFACES));
        return object.Cp();
    }

    CCountingHost m_host;
    CTestRichEdit m_edit;
    CComPtr<IRichEditOle> m_ole;
    std::vector<std::unique_ptr<PictureObjectInfo>> m_infos;
};

TEST_F(MyRichEditTest, TakingAWindowSetsTheEventMask) {
    EXPECT_EQ(0x80005u, m_edit.GetEventMask());

    // A rich edit that already exists, taken over.
    HWND other = ::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 50, m_host, nullptr,
                                   nullptr, nullptr);
    ASSERT_TRUE(other);
    CMyRichEditCtrl taken;
    ASSERT_TRUE(taken.Subclass(other));
    EXPECT_EQ(0x80005u, taken.GetEventMask());
}

TEST_F(MyRichEditTest, ChangeNotificationsStayWithTheControl) {
    // A plain rich edit with the same mask, beside ours: its parent hears it.
    HWND plain = ::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 50, m_host,
                                   reinterpret_cast<HMENU>(101), nullptr, nullptr);
    ASSERT_TRUE(plain);
    ::SendMessageW(plain, EM_SETEVENTMASK, 0, CMyRichEditCtrl::kEventMask);
    ::SendMessageW(plain, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"typed"));
    TypeText(L"typed");
    EXPECT_GT(m_host.changes[101], 0);
    EXPECT_EQ(0, m_host.changes[100]);
}

TEST_F(MyRichEditTest, PictureGoesInAtTheSelectionCarryingItsRecord) {
    TypeText(L"ab");
    m_edit.SetSel(1, 1);
    PictureObjectInfo* info = NewInfo(L"wave.gif");
    ASSERT_TRUE(InsertPicture(info->path, info));

    ASSERT_EQ(1, m_edit.GetObjectCount());
    CReObject object;
    ASSERT_TRUE(object.Read(m_ole.Get(), 0, REO_GETOBJ_ALL_INTERFACES));
    EXPECT_EQ(1, object.Cp());
    EXPECT_TRUE(IsEqualCLSID(CLSID_Mervale, object.Get().clsid));
    EXPECT_EQ(static_cast<DWORD>(REO_BELOWBASELINE), object.Get().dwFlags & (REO_BELOWBASELINE | REO_STATIC));
    EXPECT_EQ(info, m_edit.GetObjectInfo(0));
    CComPtr<IMervale> control;
    ASSERT_TRUE(object.OleObject());
    ASSERT_EQ(S_OK, object.OleObject()->QueryInterface(IID_IMervale, control.ReceiveVoid()));
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(S_OK, control->get_REMode(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control->get_Enabled(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    // The object stands for one character of the text.
    EXPECT_EQ(3, m_edit.GetTextLength());
}

TEST_F(MyRichEditTest, ASelectedObjectIsReplaced) {
    TypeText(L"x");
    PictureObjectInfo* first = NewInfo(L"wave.gif");
    ASSERT_TRUE(InsertPicture(first->path, first));
    m_edit.SetSel(1, 2);
    PictureObjectInfo* second = NewInfo(L"photo.png");
    ASSERT_TRUE(InsertPicture(second->path, second));
    ASSERT_EQ(1, m_edit.GetObjectCount());
    EXPECT_EQ(second, m_edit.GetObjectInfo(0));
    EXPECT_EQ(2, m_edit.GetTextLength());
}

TEST_F(MyRichEditTest, FailedInsertionsLeaveTheInputUnchanged) {
    TypeText(L"keep me");
    PictureObjectInfo info;
    const std::wstring picture = FixturePath(L"wave.gif");
    struct Case {
        const char* what;
        bool withOle;
        std::wstring path;
        PictureObjectInfo* info;
        bool controlsMissing;
    } cases[] = {
        {"no OLE interface", false, picture, &info, false},
        {"no record", true, picture, nullptr, false},
        {"not a picture", true, FixturePath(L"broken.gif"), &info, false},
        {"missing file", true, FixturePath(L"nothing-here.gif"), &info, false},
        {"control class not registered", true, picture, &info, true},
    };
    for (const Case& c : cases) {
        m_edit.controlsMissing = c.controlsMissing;
        m_edit.SetSel(4, 4);
        EXPECT_FALSE(m_edit.InsertImageObject(c.withOle ? m_ole.Get() : nullptr, c.path.c_str(), c.info)) << c.what;
        EXPECT_EQ(0, m_edit.GetObjectCount()) << c.what;
        EXPECT_EQ(L"keep me", m_edit.GetWindowText()) << c.what;
    }
    m_edit.controlsMissing = false;
    EXPECT_FALSE(m_edit.InsertImageObject(m_ole.Get(), nullptr, &info));
}

TEST_F(MyRichEditTest, InsertionReportsSuccessOnceTheObjectIsInTheText) {
    // The record is in use as soon as the object is in the text: a step
    // after that which fails must not make the caller free it.
    m_edit.stubbornControls = true;
    PictureObjectInfo* info = NewInfo(L"wave.gif");
    EXPECT_TRUE(InsertPicture(info->path, info));
    ASSERT_EQ(1, m_edit.GetObjectCount());
    EXPECT_EQ(info, m_edit.GetObjectInfo(0));
}

TEST_F(MyRichEditTest, ScreenshotGoesInAsAStaticPictureThatStillGivesItsBitmap) {
    // A 40 x 30 screenshot, half red, half blue.
    HDC screen = ::GetDC(nullptr);
    fw::CBitmap bitmap(::CreateCompatibleBitmap(screen, 40, 30));
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap.Get());
    RECT left = {0, 0, 20, 30}, right = {20, 0, 40, 30};
    fw::CBrush red(::CreateSolidBrush(RGB(255, 0, 0))), blue(::CreateSolidBrush(RGB(0, 0, 255)));
    ::FillRect(dc, &left, red.Get());
    ::FillRect(dc, &right, blue.Get());
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);

    TypeText(L"shot: ");
    ASSERT_TRUE(m_edit.InsertStaticPicture(m_ole.Get(), bitmap.Get()));
    // The caller's bitmap is still its own.
    BITMAP info = {};
    EXPECT_EQ(static_cast<int>(sizeof info), ::GetObjectW(bitmap.Get(), sizeof info, &info));

    ASSERT_EQ(1, m_edit.GetObjectCount());
    CReObject object;
    ASSERT_TRUE(object.Read(m_ole.Get(), 0, REO_GETOBJ_ALL_INTERFACES));
    EXPECT_EQ(6, object.Cp());
    EXPECT_EQ(0u, object.User());
    EXPECT_EQ(nullptr, m_edit.GetObjectInfo(0));

    CComPtr<IDataObject> data;
    ASSERT_EQ(S_OK, object.OleObject()->QueryInterface(IID_IDataObject, data.ReceiveVoid()));
    FORMATETC format = {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    STGMEDIUM medium = {};
    ASSERT_EQ(S_OK, data->GetData(&format, &medium));
    BITMAP got = {};
    ASSERT_EQ(static_cast<int>(sizeof got), ::GetObjectW(medium.hBitmap, sizeof got, &got));
    EXPECT_EQ(40, got.bmWidth);
    EXPECT_EQ(30, got.bmHeight);
    ::ReleaseStgMedium(&medium);

    EXPECT_FALSE(m_edit.InsertStaticPicture(m_ole.Get(), nullptr));
    EXPECT_FALSE(m_edit.InsertStaticPicture(nullptr, bitmap.Get()));
    EXPECT_EQ(1, m_edit.GetObjectCount());
}

// What the clipboard holds decides what a paste gives: a picture alone goes
// in as a static picture; text (with or without a picture) is left to the
// control's own paste; a read-only control takes nothing.
TEST_F(MyRichEditTest, APictureOnTheClipboardIsPastedAsAPicture) {
    HDC screen = ::GetDC(nullptr);
    fw::CBitmap bitmap(::CreateCompatibleBitmap(screen, 24, 18));
    ::ReleaseDC(nullptr, screen);
    const auto putOnClipboard = [&](bool withText) {
        ASSERT_TRUE(::OpenClipboard(nullptr));
        ::EmptyClipboard();
        ::SetClipboardData(CF_BITMAP, ::CopyImage(bitmap.Get(), IMAGE_BITMAP, 0, 0, 0));
        if (withText) {
            HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
            std::memcpy(::GlobalLock(text), L"abc", 4 * sizeof(wchar_t));
            ::GlobalUnlock(text);
            ::SetClipboardData(CF_UNICODETEXT, text);
        }
        ::CloseClipboard();
    };

    TypeText(L"x");
    putOnClipboard(false);
    m_edit.SendMessage(WM_PASTE);
    ASSERT_EQ(1, m_edit.GetObjectCount());
    EXPECT_EQ(1, ObjectCp(0));
    EXPECT_EQ(nullptr, m_edit.GetObjectInfo(0)) << "a pasted picture, as a screenshot is";

    putOnClipboard(true);
    EXPECT_FALSE(m_edit.PasteBitmap());
    EXPECT_EQ(1, m_edit.GetObjectCount());

    putOnClipboard(false);
    m_edit.SendMessage(EM_SETREADONLY, TRUE);
    EXPECT_FALSE(m_edit.PasteBitmap());
    EXPECT_EQ(1, m_edit.GetObjectCount());

    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
}

TEST(MyRichEditDragDrop, EffectFollowsTheKeys) {
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    struct Case {
        BOOL drag;
        DWORD keys;
        DWORD allowed;
        DWORD effect;
    } cases[] = {
        {FALSE, MK_CONTROL | MK_SHIFT, all, DROPEFFECT_LINK},
        {FALSE, MK_CONTROL, all, DROPEFFECT_COPY},
        {FALSE, MK_SHIFT, all, DROPEFFECT_MOVE},
        {FALSE, 0, all, DROPEFFECT_MOVE},
        {FALSE, MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_MOVE},  // not allowed: unchanged
        {FALSE, MK_CONTROL | MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY | DROPEFFECT_MOVE},
        {TRUE, MK_CONTROL, all, all},  // a drag leaves it as it is
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.effect, CMyRichEditCtrl::DragDropEffect(c.drag, c.keys, c.allowed))
            << "keys " << c.keys << " allowed " << c.allowed;
    }
}

TEST_F(MyRichEditTest, DoubleClickOpensTheFirstPictureOnTheCaretsLine) {
    TypeText(L"one ");
    PictureObjectInfo* first = NewInfo(L"wave.gif");
    ASSERT_TRUE(InsertPicture(first->path, first));
    TypeText(L" two ");
    PictureObjectInfo* second = NewInfo(L"photo.png");
    ASSERT_TRUE(InsertPicture(second->path, second));
    TypeText(L"\r\nnext line ");
    PictureObjectInfo* third = NewInfo(L"photo.png");
    ASSERT_TRUE(InsertPicture(third->path, third));

    // The walk: whichever object of the line is selected, the line's first.
    m_edit.SetSel(ObjectCp(1), ObjectCp(1) + 1);
    EXPECT_EQ(first, m_edit.PictureOnCaretLine());
    m_edit.SetSel(ObjectCp(2), ObjectCp(2) + 1);
    EXPECT_EQ(third, m_edit.PictureOnCaretLine());

    // A double click on text selects no object: nothing opens.
    m_host.ShowWindow(SW_SHOW);
    ::UpdateWindow(m_edit);
    m_edit.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 5));
    EXPECT_TRUE(m_edit.viewerStarts.empty());

    // On the second picture of the first line: the first one opens.
    POINTL at = {};
    m_edit.SendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), ObjectCp(1));
    m_edit.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x + 4, at.y + 4));
    EXPECT_EQ(SEL_OBJECT, m_edit.GetSelectionType());
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_EQ(1u, m_edit.viewerStarts.size());
    EXPECT_EQ(std::wstring(system) + L"\\rundll32.exe", m_edit.viewerStarts[0].first);
    EXPECT_EQ(CMyRichEditCtrl::PictureViewerParameters(system, first->path), m_edit.viewerStarts[0].second);

    // A picture whose file is not there (yet) opens nothing.
    first->path = FixturePath(L"not-there.gif");
    m_edit.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x + 4, at.y + 4));
    EXPECT_EQ(1u, m_edit.viewerStarts.size());
}

TEST(MyRichEditViewer, ParametersNameTheViewerAndThePicture) {
    EXPECT_EQ(L"C:\\windows\\system32\\shimgvw.dll imageview_fullscreen C:\\prog\\1\\Image\\a b.jpg",
              CMyRichEditCtrl::PictureViewerParameters(L"C:\\windows\\system32", L"C:\\prog\\1\\Image\\a b.jpg"));
}

}  // namespace
