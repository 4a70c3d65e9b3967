// MD5 message digest (RFC 1321).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class MD5 {
public:
    MD5();
    void Update(const void* data, size_t length);
    // Finishes the digest (once; later calls return the same result).
    const uint8_t* Final();
    // The finished digest as 32 lower-case hexadecimal characters.
    std::string HexDigest();
    std::string ToString() { return HexDigest(); }

    static std::string Of(const void* data, size_t length);

private:
    void Transform(const uint8_t block[64]);

    uint32_t state_[4];
    uint64_t bitCount_ = 0;
    uint8_t buffer_[64];
    uint8_t digest_[16];
    bool finished_ = false;
};
