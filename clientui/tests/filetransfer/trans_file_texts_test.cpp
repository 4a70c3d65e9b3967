// The panel's texts: state texts, byte counts, speed and time left.
#include "clientui/TransFileTexts.h"

#include <gtest/gtest.h>

#include <string>

TEST(TransFileTexts, EveryStateHasItsTextAndTheCancelStatesKeepTheirs) {
    const struct {
        int state;
        const wchar_t* text;
    } cases[] = {
        {0, L"当前没有文件传送"},
        {1, L"等待对方接收文件"},
        {2, L"收到文件请求"},
        {3, L"准备接收文件"},
        {4, L"您拒绝了对方的文件请求"},
        {5, L"对方同意了接收文件"},
        {6, L"对方可能正在接收文件，暂时拒绝了您的文件请求"},
        {7, L"正在传送文件"},
        {8, L"数据准备中，请稍候..."},
        {9, L"正在接收文件"},
        {10, nullptr},
        {11, nullptr},
        {12, L"文件传送完成"},
        {13, nullptr},
        {-1, nullptr},
    };
    for (const auto& c : cases) {
        const wchar_t* text = TransferStateText(c.state);
        if (!c.text)
            EXPECT_EQ(text, nullptr) << c.state;
        else
            EXPECT_STREQ(text, c.text) << c.state;
    }
}

TEST(TransFileTexts, ByteCountsSpeedAndTimeLeft) {
    const struct {
        int64_t bytes;
        const wchar_t* text;
    } bytes[] = {
        {0, L"0字节"},
        {1023, L"1023字节"},
        {1024, L"1.0KB"},
        {1536, L"1.5KB"},
        {1048575, L"1024.0KB"},
        {1048576, L"1.0MB"},
        {15 * 1048576 / 2, L"7.5MB"},
    };
    for (const auto& c : bytes) EXPECT_EQ(FormatTransferBytes(c.bytes), c.text) << c.bytes;

    EXPECT_EQ(FormatTransferProgress(512, 2048), L"512字节/2.0KB");
    EXPECT_EQ(FormatTransferSpeed(20480), L"速度: 20.0KB/S");
    EXPECT_EQ(FormatTransferSpeed(0), L"速度: 0字节/S");

    const struct {
        int64_t size, done, speed;
        const wchar_t* text;
    } left[] = {
        {1000, 0, 0, L"剩余时间:--:--:--"},  // before the first second of data
        {1000, 500, 100, L"剩余时间:00:00:05"},
        {3600 * 1000 + 61 * 1000, 0, 1000, L"剩余时间:01:01:01"},
        {100, 100, 7, L"剩余时间:00:00:00"},
    };
    for (const auto& c : left) EXPECT_EQ(FormatTimeLeft(c.size, c.done, c.speed), c.text) << c.size;
}

TEST(TransFileTexts, SpeedCountsAtLeastOneSecondAndPercentNeverDividesByZero) {
    EXPECT_EQ(ComputeTransferSpeed(5000, 0), 5000);
    EXPECT_EQ(ComputeTransferSpeed(5000, 999), 5000);
    EXPECT_EQ(ComputeTransferSpeed(5000, 1000), 5000);
    EXPECT_EQ(ComputeTransferSpeed(5000, 2500), 2500);
    EXPECT_EQ(TransferPercent(0, 0), 0);
    EXPECT_EQ(TransferPercent(50, 0), 0);
    EXPECT_EQ(TransferPercent(1, 3), 33);
    EXPECT_EQ(TransferPercent(2000000000, 2000000000), 100);
    EXPECT_EQ(TransferPercent(1999999999, 2000000000), 99);
}
