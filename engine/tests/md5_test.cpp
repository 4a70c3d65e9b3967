// The MD5 digest (RFC 1321) and the log-on password's digest.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "HostPorts.h"
#include "Md5.h"

namespace {

TEST(Md5, Rfc1321TestSuite) {
    const struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        const std::string input = c.input;
        EXPECT_EQ(MD5::Of(input.data(), input.size()), c.digest) << '"' << input << '"';
    }
}

TEST(Md5, PiecewiseUpdatesAcrossBlockEdgesGiveTheSameDigest) {
    // Lengths around the 56- and 64-byte edges of the padding.
    for (size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string input;
        for (size_t i = 0; i < length; ++i) input += static_cast<char>('a' + i % 26);
        MD5 piecewise;
        for (size_t i = 0; i < length; i += 7) {
            piecewise.Update(input.data() + i, std::min<size_t>(7, length - i));
        }
        EXPECT_EQ(piecewise.HexDigest(), MD5::Of(input.data(), input.size())) << length;
    }
}

TEST(Md5, MillionAs) {
    const std::string block(1000, 'a');
    MD5 md5;
    for (int i = 0; i < 1000; ++i) md5.Update(block.data(), block.size());
    EXPECT_EQ(md5.HexDigest(), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, FinishesOnce) {
    MD5 md5;
    md5.Update("abc", 3);
    const std::string first = md5.ToString();
    md5.Update("more", 4);  // ignored once finished
    EXPECT_EQ(md5.HexDigest(), first);
    EXPECT_EQ(first, "900150983cd24fb0d6963f7d28e17f72");
    const uint8_t* raw = md5.Final();
    EXPECT_EQ(raw[0], 0x90);
    EXPECT_EQ(raw[15], 0x72);
}

TEST(Md5, GbkPasswordIsDigestedInTheAnsiCodePage) {
    // The password text in the ANSI code page, its bytes without a NUL.
    const std::string ansi = engine::GbkCodePage().ToAnsi(L"\u5BC6\u7801");
    ASSERT_EQ(ansi, "\xC3\xDC\xC2\xEB");
    EXPECT_EQ(MD5::Of(ansi.data(), ansi.size()), "d2293e30f0c964c5f6242486aa8a483c");
}

}  // namespace
