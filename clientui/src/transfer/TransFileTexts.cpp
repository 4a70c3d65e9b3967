#include "clientui/TransFileTexts.h"

#include <fw/StringUtil.h>

namespace {

const wchar_t* const kStateTexts[kTransferStateCount] = {
    L"当前没有文件传送",
    L"等待对方接收文件",
    L"收到文件请求",
    L"准备接收文件",
    L"您拒绝了对方的文件请求",
    L"对方同意了接收文件",
    L"对方可能正在接收文件，暂时拒绝了您的文件请求",
    L"正在传送文件",
    L"数据准备中，请稍候...",
    L"正在接收文件",
    nullptr,
    nullptr,
    L"文件传送完成",
};

}  // namespace

const wchar_t kTransferPeerCancelledSend[] = L"对方取消了文件传送";
const wchar_t kTransferPeerCancelledRecv[] = L"对方取消了文件接收";
const wchar_t kTransferReadyToReceive[] = L"准备接收";
const wchar_t kTransferFailedText[] = L"文件传送失败";
const wchar_t kTransferWaitingText[] = L"连接文件服务器失败，正在重新连接...";
const wchar_t kTransferOpenFailedText[] = L"打开文件出错！";

const wchar_t* FileNameProblemText(clientui::FileNameProblem problem) {
    using clientui::FileNameProblem;
    switch (problem) {
    case FileNameProblem::None: return nullptr;
    case FileNameProblem::Empty: return L"文件名为空";
    case FileNameProblem::PathComponent: return L"文件名不能是“.”或“..”";
    case FileNameProblem::ForbiddenCharacter: return L"文件名中有不能用于文件名的字符";
    case FileNameProblem::TrailingDotOrSpace: return L"文件名不能以点或空格结尾";
    case FileNameProblem::DeviceName: return L"文件名是设备名";
    case FileNameProblem::TooLong: return L"文件名太长";
    case FileNameProblem::NotInCodePage: return L"文件名中有不能转换为本机文字编码的字符";
    }
    return nullptr;
}

std::wstring RefusedOfferText(const std::wstring& name, clientui::FileNameProblem problem) {
    // Control characters of a hostile name are not shown as they are.
    std::wstring shown = name;
    for (wchar_t& c : shown) {
        if (c < 0x20 || c == 0x7F) c = L'?';
    }
    const wchar_t* reason = FileNameProblemText(problem);
    return fw::FormatString(L"对方发送的文件“%ls”已被拒绝：%ls。", shown.c_str(), reason ? reason : L"");
}

std::wstring UnsendableNameText(clientui::FileNameProblem problem) {
    const wchar_t* reason = FileNameProblemText(problem);
    return fw::FormatString(L"%ls，重命名该文件可以发送", reason ? reason : L"");
}

const wchar_t* TransferStateText(int state) {
    if (state < 0 || state >= kTransferStateCount) return nullptr;
    return kStateTexts[state];
}

std::wstring FormatTransferBytes(int64_t bytes) {
    if (bytes <= 1023) return fw::FormatString(L"%d字节", static_cast<int>(bytes));
    if (bytes > 1048575) return fw::FormatString(L"%.1fMB", static_cast<double>(bytes) / 1048576.0);
    return fw::FormatString(L"%.1fKB", static_cast<double>(bytes) / 1024.0);
}

std::wstring FormatTransferProgress(int64_t done, int64_t size) {
    return FormatTransferBytes(done) + L"/" + FormatTransferBytes(size);
}

std::wstring FormatTransferSpeed(int64_t bytesPerSecond) {
    return fw::FormatString(L"速度: %ls/S", FormatTransferBytes(bytesPerSecond).c_str());
}

std::wstring FormatTimeLeft(int64_t size, int64_t done, int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0) return L"剩余时间:--:--:--";
    int64_t seconds = (size - done) / bytesPerSecond;
    if (seconds < 0) seconds = 0;
    return fw::FormatString(L"剩余时间:%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

int64_t ComputeTransferSpeed(int64_t bytesDone, uint32_t elapsedMs) {
    const int64_t seconds = elapsedMs > 999 ? elapsedMs / 1000 : 1;
    return bytesDone / seconds;
}

int TransferPercent(int64_t done, int64_t size) {
    if (size <= 0 || done <= 0) return 0;
    if (done >= size) return 100;
    return static_cast<int>(done * 100 / size);
}
