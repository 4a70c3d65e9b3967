#include "TrayStatusModel.h"

#include "clientui/StatusName.h"

#include "fw/StringUtil.h"

TrayStatus CTrayStatusModel::Compute(const CEngineModule& engine, const std::wstring& displayTitle) {
    const int32_t self = engine.MGetCurUserID ? engine.MGetCurUserID() : 0;
    UserInfoBase base = {};
    UserInfoExt ext = {};
    if (engine.MGetUserInfoBase)
        if (const UserInfoBase* record = engine.MGetUserInfoBase(self)) base = *record;
    if (engine.MGetUserInfoExt)
        if (const UserInfoExt* record = engine.MGetUserInfoExt(self)) ext = *record;
    const bool connected = engine.MGetConnectStatus && engine.MGetConnectStatus() != 0;

    TrayStatus result;
    result.status = connected ? base.status : STATUS_OFFLINE;
    result.iconIndex = IconIndex(result.status);
    result.tip = FormatTip(displayTitle, fw::FromAnsiField(ext.fullName), result.status);
    return result;
}

std::wstring CTrayStatusModel::FormatTip(const std::wstring& displayTitle, const std::wstring& fullName,
                                         int32_t status) {
    std::wstring statusText;
    GetStatusName(status, statusText);
    const std::wstring tip =
        fw::FormatString(L"%ls:%ls \r\n 状态:%ls", displayTitle.c_str(), fullName.c_str(), statusText.c_str());
    return fw::CutWide(tip, kTipChars);
}
