// CPexoManager (coclass PexoManager, dual interface IPexoManager): the
// scriptable picture manager. It inserts pictures into a rich edit, lists
// the pictures a rich edit holds, and shows a Flash movie in a transparent
// pop-up. Windows are passed as 32-bit handles (OLE_HANDLE); a window
// handle's meaning lies in its low 32 bits in every build.
//
// Failures come back as the member's result with an error object that
// names it (ISupportErrorInfo answers for IPexoManager).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "Mervale_h.h"

#include "../com/ComModule.h"
#include "../com/DispatchImpl.h"

#include <string>

namespace mervale {

class CPexoManager final : public com::DispatchImpl<IPexoManager>, public ISupportErrorInfo {
public:
    // The longest line of GetObjectsInfo, with its "\n".
    static constexpr size_t kMaxLine = 1024;

    CPexoManager() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP InsertImage(OLE_HANDLE hwnd, BSTR imagePath, LONG width, LONG height, IDispatch** object) override;
    STDMETHODIMP GetObjectsInfo(OLE_HANDLE hwnd, BSTR* objectsInfo) override;
    STDMETHODIMP ShowFlash(OLE_HANDLE parent, BSTR flash, ULONG timeOut, OLE_HANDLE* hwnd) override;

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // One line of GetObjectsInfo: "%d\t%s\t%d\t%d\t%s\n" from the object's
    // position, text, width, height and file path. A line that would be
    // longer than kMaxLine has its text shortened (then its path), so that
    // it still ends with its "\n".
    static std::wstring FormatObjectLine(LONG cp, const std::wstring& text, int width, int height,
                                         const std::wstring& path);

private:
    ~CPexoManager() = default;
    HRESULT Fail(HRESULT hr, const wchar_t* description);

    LONG m_refs = 0;
    com::ModuleLock m_moduleLock;
};

}  // namespace mervale
