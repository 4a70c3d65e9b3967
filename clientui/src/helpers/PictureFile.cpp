#include "clientui/PictureFile.h"

#include "clientui/EngineModule.h"

#include <fw/Application.h>
#include <fw/StringUtil.h>

#include <objidl.h>
#include <gdiplus.h>
#include <rpc.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// GDI+'s EncoderQuality parameter ({1d5be4b5-fa4a-452d-9cdd-5db35105e7eb});
// defined here so that nothing depends on the import library defining it.
const GUID kEncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

constexpr ULONG kJpegQuality = 80;

}  // namespace

std::wstring FormatImageFileName(int month, int day, const UUID& id) {
    return fw::FormatString(L"%02d%02d%08lX%04X%04x%02X%02X%02X%02X%02X%02X", month, day,
                            static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                            id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5]);
}

int MakeImageFileName(std::wstring& name) {
    UUID id = {};
    const RPC_STATUS status = ::UuidCreate(&id);
    if (status != RPC_S_OK && status != RPC_S_UUID_LOCAL_ONLY) return 0;
    static const UUID kNil = {};
    if (std::memcmp(&id, &kNil, sizeof id) == 0) return 0;
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    name = FormatImageFileName(now.wMonth, now.wDay, id);
    return 1;
}

bool GetEncoderClsid(const wchar_t* mimeType, CLSID& clsid) {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0 || bytes == 0) return false;
    std::vector<BYTE> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (encoders[i].MimeType && std::wcscmp(encoders[i].MimeType, mimeType) == 0) {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

int SaveJpegImage(std::wstring& path, std::wstring& name, HBITMAP bitmap) {
    const int32_t ownId = g_EngineModule.MGetCurUserID ? g_EngineModule.MGetCurUserID() : 0;
    return SaveJpegImage(fw::CApplication::GetProgramFolder(), ownId, path, name, bitmap);
}

int SaveJpegImage(const std::wstring& programFolder, int32_t ownId, std::wstring& path, std::wstring& name,
                  HBITMAP bitmap) {
    if (!bitmap) return 0;
    std::wstring newName;
    if (!MakeJpegImageName(newName)) return 0;
    std::wstring newPath;
    if (!SaveJpegImageAs(programFolder, ownId, newName, bitmap, newPath)) return 0;
    path = newPath;
    name = newName;
    return 1;
}

int MakeJpegImageName(std::wstring& name) {
    std::wstring newName;
    if (!MakeImageFileName(newName)) return 0;
    name = newName + L".JPG";
    return 1;
}

int SaveJpegImageAs(const std::wstring& programFolder, int32_t ownId, const std::wstring& name, HBITMAP bitmap,
                    std::wstring& path) {
    if (!bitmap || name.empty()) return 0;
    // The GDI+ copy of the bitmap lives only for this call.
    std::unique_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr));
    if (!picture || picture->GetLastStatus() != Gdiplus::Ok) return 0;

    const std::wstring folder = programFolder + fw::FormatString(L"%d\\Image", ownId);
    const std::wstring newPath = folder + L"\\" + name;

    const int created = ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS) return 0;

    CLSID jpeg = {};
    if (!GetEncoderClsid(L"image/jpeg", jpeg)) return 0;
    ULONG quality = kJpegQuality;
    Gdiplus::EncoderParameters parameters = {};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = kEncoderQuality;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &quality;
    if (picture->Save(newPath.c_str(), &jpeg, &parameters) != Gdiplus::Ok) {
        ::DeleteFileW(newPath.c_str());
        return 0;
    }
    path = newPath;
    return 1;
}
