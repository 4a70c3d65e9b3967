// CIMUser: the main window's copies of the logged-on user's records. Before
// the log-on it holds a placeholder: id 0, nickname "未登录", signature
// "更多功能，请登录查看:)" and an extended record whose first byte is 1.
#pragma once

#include <ImEngineApi.h>

class CIMUser {
public:
    CIMUser();
    virtual ~CIMUser() = default;

    void SetBase(const UserInfoBase& base) { m_base = base; }
    void SetExt(const UserInfoExt& ext) { m_ext = ext; }
    const UserInfoBase& GetBase() const { return m_base; }
    const UserInfoExt& GetExt() const { return m_ext; }

private:
    UserInfoBase m_base;
    UserInfoExt m_ext;
};
