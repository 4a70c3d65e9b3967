#include "clientui/StatusName.h"

void GetStatusName(int status, std::wstring& text, int otherStatus) {
    if (status < 0 || status > 5) status = (otherStatus >= 0 && otherStatus <= 5) ? otherStatus : 5;
    switch (status) {
    case 0: text = L"\u5728\u7EBF"; break;                 // 在线
    case 1: text = L"\u5FD9\u788C"; break;                 // 忙碌
    case 2: text = L"\u79BB\u5F00"; break;                 // 离开
    case 3: text = L"\u8BF7\u52FF\u6253\u6270"; break;     // 请勿打扰
    case 4: text = L"\u9690\u8EAB"; break;                 // 隐身
    default: text = L"\u79BB\u7EBF"; break;                // 离线
    }
}
