#include "clientui/EngineModule.h"

#include <fw/Application.h>
#include <fw/MessageBoxSink.h>
#include <fw/StringUtil.h>

CEngineModule g_EngineModule;

const wchar_t kScreenshotFile[] = L"Screenshot.dll";
const wchar_t kEngineDisplayName[] = L"处理";
const wchar_t kScreenshotDisplayName[] = L"截图";

namespace {

const wchar_t kMissingDllFormat[] = L"%lsDLL未找到！";
const wchar_t kErrorCaption[] = L"错误";

constexpr DWORD kLogoutPauseMs = 1000;

using E = EngineExport;

// The desk's lookup order: the four session functions first, then the rest
// in declaration order, the screenshot library's export, and the two file
// functions last.
constexpr EngineExport kDeskLookupOrder[] = {
    E::MLogon, E::MInitModule, E::MGetConnectStatus, E::MLogonOut,
    E::MGetDataTree, E::MProChangeUserStatus, E::MSendTextMsg, E::MPopFrontTextMsg,
    E::MProduceUserInfo, E::MProChatInputStatus, E::MGetSendedTextMsg, E::MUpdateUserMemo,
    E::MUpdateMySignature, E::MUpdateMyInfomation, E::MGetUserData, E::MUpdateTalkList,
    E::MRefreshMsgRecords, E::MGetUserStatus, E::MRefreshSwitchUserList, E::MSwitchCustomer,
    E::MGrabCustomer, E::MConfirmGrabCustomer, E::MGetCurUserID, E::MGetUserInfoBase,
    E::MGetUserInfoExt, E::MGetSwitchCustomerMsg, E::MGetUnreadMsg, E::MGetSwitchUserList,
    E::MGetFriendList, E::MGetUserListCategorys, E::MGetGroupUserList, E::MIsOffline,
    E::MGetTalkList, E::MGetMsgSearchResult, E::MSearchMsgRecord, E::MGetOrgRoleID,
    E::MReqestCommReply, E::MSetCommReply, E::MGetCommReply,
    E::ScreenShot,
    E::MSendFileRespond, E::MGetSendFileRequest,
};

// Every export exactly once.
constexpr bool CoversEveryExportOnce(const EngineExport* order, size_t count) {
    for (int id = 0; id < static_cast<int>(E::Count); ++id) {
        int seen = 0;
        for (size_t i = 0; i < count; ++i)
            if (static_cast<int>(order[i]) == id) ++seen;
        if (seen != 1) return false;
    }
    return true;
}
static_assert(sizeof kDeskLookupOrder / sizeof kDeskLookupOrder[0] == 42, "41 engine exports and ScreenShot");
static_assert(CoversEveryExportOnce(kDeskLookupOrder, 42), "desk binding covers every export once");

// The messenger's lookup order: the four session functions first, then its
// table from MGetDataTree to MGetUnreadMsg, the screenshot library's export,
// and the two file functions last.
constexpr EngineExport kMessengerLookupOrder[] = {
    E::MLogon, E::MInitModule, E::MGetConnectStatus, E::MLogonOut,
    E::MGetDataTree, E::MProChangeUserStatus, E::MSendTextMsg, E::MPopFrontTextMsg,
    E::MProduceUserInfo, E::MProChatInputStatus, E::MGetSendedTextMsg, E::MUpdateUserMemo,
    E::MUpdateMySignature, E::MUpdateMyInfomation, E::MGetCurUserID, E::MGetUserInfoBase,
    E::MGetUserInfoExt, E::MIsOffline, E::MGetFriendList, E::MGetUserListCategorys,
    E::MGetUnreadMsg,
    E::ScreenShot,
    E::MSendFileRespond, E::MGetSendFileRequest,
};

// Every export of both builds exactly once, and no desk export.
constexpr bool CoversTheSharedExportsOnce(const EngineExport* order, size_t count) {
    constexpr EngineExport shared[] = {
#define IM_SHARED_EXPORT_both(name) E::name,
#define IM_SHARED_EXPORT_desk(name)
#define IM_SHARED_EXPORT(name, builds) IM_SHARED_EXPORT_##builds(name)
        IM_ENGINE_EXPORTS(IM_SHARED_EXPORT)
#undef IM_SHARED_EXPORT
#undef IM_SHARED_EXPORT_desk
#undef IM_SHARED_EXPORT_both
        E::ScreenShot,
    };
    if (count != sizeof shared / sizeof shared[0]) return false;
    for (EngineExport id : shared) {
        int seen = 0;
        for (size_t i = 0; i < count; ++i)
            if (order[i] == id) ++seen;
        if (seen != 1) return false;
    }
    return true;
}
static_assert(sizeof kMessengerLookupOrder / sizeof kMessengerLookupOrder[0] == 24, "23 engine exports and ScreenShot");
static_assert(CoversTheSharedExportsOnce(kMessengerLookupOrder, 24), "messenger binding covers the shared exports once");

}  // namespace

const CEngineBinding kDeskEngineBinding = {L"Kestrin.dll", kDeskLookupOrder,
                                           sizeof kDeskLookupOrder / sizeof kDeskLookupOrder[0]};

const CEngineBinding kMessengerEngineBinding = {L"Ulvarn.dll", kMessengerLookupOrder,
                                                sizeof kMessengerLookupOrder / sizeof kMessengerLookupOrder[0]};

const char* CEngineModule::ExportName(EngineExport id) {
    switch (id) {
#define IM_EXPORT_NAME(name, builds) \
    case E::name:                    \
        return #name;
        IM_ENGINE_EXPORTS(IM_EXPORT_NAME)
#undef IM_EXPORT_NAME
    case E::ScreenShot:
        return "ScreenShot";
    default:
        return "";
    }
}

void CEngineModule::SetPointer(EngineExport id, FARPROC proc) {
    // GetProcAddress gives an untyped address; the list gives its type.
    const auto generic = reinterpret_cast<void (*)()>(proc);
    switch (id) {
#define IM_EXPORT_SET(name, builds)                     \
    case E::name:                                       \
        name = reinterpret_cast<PFN_##name>(generic);   \
        break;
        IM_ENGINE_EXPORTS(IM_EXPORT_SET)
#undef IM_EXPORT_SET
    case E::ScreenShot:
        ScreenShot = reinterpret_cast<PFN_ScreenShot>(generic);
        break;
    default:
        break;
    }
}

bool CEngineModule::IsBound(EngineExport id) const {
    switch (id) {
#define IM_EXPORT_BOUND(name, builds) \
    case E::name:                     \
        return name != nullptr;
        IM_ENGINE_EXPORTS(IM_EXPORT_BOUND)
#undef IM_EXPORT_BOUND
    case E::ScreenShot:
        return ScreenShot != nullptr;
    default:
        return false;
    }
}

size_t CEngineModule::BoundCount() const {
    size_t n = 0;
    for (int id = 0; id < static_cast<int>(E::Count); ++id)
        if (IsBound(static_cast<EngineExport>(id))) ++n;
    return n;
}

BOOL CEngineModule::LoadDll(HMODULE* handle, const std::wstring& folder, const wchar_t* fileName,
                            const wchar_t* displayName) {
    const std::wstring path = folder + fileName;
    *handle = ::LoadLibraryW(path.c_str());
    if (*handle) return TRUE;
    fw::ShowMessageBox(nullptr, fw::FormatString(kMissingDllFormat, displayName), kErrorCaption, MB_ICONERROR);
    return FALSE;
}

BOOL CEngineModule::Load() { return Load(kDeskEngineBinding, fw::CApplication::GetProgramFolder()); }

BOOL CEngineModule::Load(const CEngineBinding& binding, const std::wstring& folder) {
    if (!LoadDll(&m_hEngine, folder, binding.engineFile, kEngineDisplayName)) return FALSE;
    if (!LoadDll(&m_hScreenshot, folder, kScreenshotFile, kScreenshotDisplayName)) return FALSE;
    for (size_t i = 0; i < binding.count; ++i) {
        const EngineExport id = binding.lookupOrder[i];
        HMODULE module = id == E::ScreenShot ? m_hScreenshot : m_hEngine;
        FARPROC proc = ::GetProcAddress(module, ExportName(id));
        if (!proc) return FALSE;
        SetPointer(id, proc);
    }
    return TRUE;
}

void CEngineModule::Unload() {
    if (MLogonOut) {
        MLogonOut(1);
        ::Sleep(kLogoutPauseMs);
    }
    // The pointers die with the libraries.
    for (int id = 0; id < static_cast<int>(E::Count); ++id) SetPointer(static_cast<EngineExport>(id), nullptr);
    if (m_hEngine) {
        ::FreeLibrary(m_hEngine);
        m_hEngine = nullptr;
    }
    if (m_hScreenshot) {
        ::FreeLibrary(m_hScreenshot);
        m_hScreenshot = nullptr;
    }
}
