#include "PexoManager.h"

#include "../com/Bstr.h"
#include "../com/ComPtr.h"
#include "../com/InterfaceTable.h"
#include "../flash/FlashHost.h"
#include "../insert/InsertGifExports.h"

#include <richedit.h>
#include <richole.h>

#include <cwchar>
#include <memory>

namespace mervale {

namespace {

HWND WindowOf(OLE_HANDLE handle) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

OLE_HANDLE HandleOf(HWND window) { return static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(window)); }

IRichEditOle* RichEditOleOf(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    IRichEditOle* ole = nullptr;
    SendMessageW(window, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    return ole;
}

}  // namespace

STDMETHODIMP CPexoManager::QueryInterface(REFIID riid, void** ppv) {
    return com::QueryFromTable(riid, ppv,
                               {
                                   {IID_IUnknown, static_cast<IPexoManager*>(this)},
                                   {IID_IDispatch, static_cast<IPexoManager*>(this)},
                                   {IID_IPexoManager, static_cast<IPexoManager*>(this)},
                                   {IID_ISupportErrorInfo, static_cast<ISupportErrorInfo*>(this)},
                               });
}

STDMETHODIMP_(ULONG) CPexoManager::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CPexoManager::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CPexoManager::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IPexoManager) ? S_OK : S_FALSE;
}

HRESULT CPexoManager::Fail(HRESULT hr, const wchar_t* description) {
    com::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
        create->SetGUID(IID_IPexoManager);
        create->SetSource(const_cast<LPOLESTR>(L"Mervale.PexoManager.1"));
        create->SetDescription(const_cast<LPOLESTR>(description));
        if (auto info = create.As<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.Get());
    }
    return hr;
}

STDMETHODIMP CPexoManager::InsertImage(OLE_HANDLE hwnd, BSTR imagePath, LONG width, LONG height,
                                       IDispatch** object) {
    if (!object) return Fail(E_POINTER, L"InsertImage: no place for the result");
    *object = nullptr;
    IMervale* control = InsertGifToRichedit2W(WindowOf(hwnd), imagePath, width, height);
    if (!control) return Fail(E_FAIL, L"InsertImage: the picture could not be inserted");
    control->AddRef();  // IMervale is a dual interface: its pointer is the IDispatch
    *object = control;
    return S_OK;
}

std::wstring CPexoManager::FormatObjectLine(LONG cp, const std::wstring& text, int width, int height,
                                            const std::wstring& path) {
    wchar_t numbers[3][16];
    swprintf(numbers[0], 16, L"%d", static_cast<int>(cp));
    swprintf(numbers[1], 16, L"%d", width);
    swprintf(numbers[2], 16, L"%d", height);
    // The fixed part: three numbers, four tabs and the "\n".
    const size_t fixed = wcslen(numbers[0]) + wcslen(numbers[1]) + wcslen(numbers[2]) + 5;
    size_t room = kMaxLine > fixed ? kMaxLine - fixed : 0;
    const std::wstring shownPath = path.substr(0, room);
    room -= shownPath.size();
    const std::wstring shownText = text.substr(0, room);
    return std::wstring(numbers[0]) + L'\t' + shownText + L'\t' + numbers[1] + L'\t' + numbers[2] + L'\t' +
           shownPath + L'\n';
}

STDMETHODIMP CPexoManager::GetObjectsInfo(OLE_HANDLE hwnd, BSTR* objectsInfo) {
    if (!objectsInfo) return Fail(E_INVALIDARG, L"GetObjectsInfo: no place for the result");
    *objectsInfo = nullptr;
    com::ComPtr<IRichEditOle> ole = com::ComPtr<IRichEditOle>::Adopt(RichEditOleOf(WindowOf(hwnd)));
    if (!ole) return Fail(E_INVALIDARG, L"GetObjectsInfo: the window is not a rich edit");

    std::wstring info;
    const LONG count = ole->GetObjectCount();
    for (LONG i = 0; i < count; ++i) {
        REOBJECT object{};
        object.cbStruct = sizeof object;
        if (FAILED(ole->GetObject(i, &object, REO_GETOBJ_POLEOBJ)) || !object.poleobj) {
            return Fail(E_FAIL, L"GetObjectsInfo: an object could not be read");
        }
        com::ComPtr<IOleObject> oleObject = com::ComPtr<IOleObject>::Adopt(object.poleobj);
        auto picture = oleObject.As<IMervale>(IID_IMervale);
        if (!picture) return Fail(E_FAIL, L"GetObjectsInfo: an object is not a Mervale picture");
        com::Bstr text, path;
        picture->get_Text(text.Receive());
        LONG size = 0;
        picture->get_DisplaySize(&size);
        picture->GetFilePath(path.Receive());
        info += FormatObjectLine(object.cp, std::wstring(text.Text(), text.Length()), LOWORD(size), HIWORD(size),
                                 std::wstring(path.Text(), path.Length()));
    }
    *objectsInfo = SysAllocStringLen(info.data(), static_cast<UINT>(info.size()));
    return *objectsInfo ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CPexoManager::ShowFlash(OLE_HANDLE parent, BSTR flashMovie, ULONG timeOut, OLE_HANDLE* hwnd) {
    if (!hwnd) return Fail(E_INVALIDARG, L"ShowFlash: no place for the result");
    *hwnd = 0;
    std::unique_ptr<flash::CFlashHost> host(new (std::nothrow) flash::CFlashHost);
    if (!host) return Fail(E_OUTOFMEMORY, L"ShowFlash: out of memory");
    if (!host->Create(WindowOf(parent), flashMovie, timeOut)) {
        return Fail(E_FAIL, L"ShowFlash: the Flash pop-up could not be shown");
    }
    *hwnd = HandleOf(host.release()->Window());  // the pop-up owns the host now
    return S_OK;
}

}  // namespace mervale
