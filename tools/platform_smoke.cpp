// Checks the environment the Windows tests run in: the ANSI code page is 936
// (GBK), and a Chinese text survives the round trip through it.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    const UINT acp = GetACP();
    if (acp != 936) {
        std::printf("FAIL: GetACP() = %u, expected 936\n", acp);
        return 1;
    }
    const wchar_t* text = L"\u5728\u7EBF";  // "online"
    char ansi[16] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    const unsigned char expected[] = {0xD4, 0xDA, 0xCF, 0xDF, 0};
    if (n != 5 || std::memcmp(ansi, expected, 5) != 0) {
        std::printf("FAIL: GBK conversion gave %d bytes\n", n);
        return 1;
    }
    std::printf("1 passed, 0 failed\n");
    return 0;
}
