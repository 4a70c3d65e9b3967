#include "IMUser.h"

#include "MainPanelRules.h"

#include "fw/StringUtil.h"

#include <cstring>

CIMUser::CIMUser() {
    std::memset(&m_base, 0, sizeof m_base);
    std::memset(&m_ext, 0, sizeof m_ext);
    fw::CopyToAnsiField(CIMMainPanelTexts::kNotLoggedOnName, m_base.nickname);
    fw::CopyToAnsiField(CIMMainPanelTexts::kPlaceholderSignature, m_base.signature);
    reinterpret_cast<unsigned char*>(&m_ext)[0] = 1;
}
