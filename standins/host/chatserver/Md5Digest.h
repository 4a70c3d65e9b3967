// MD5 (RFC 1321) for the stand-in server's password check. The server keeps
// its own copy so that it checks the engine against the RFC, not against the
// engine's own code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace chatserver {

// Lower-case hexadecimal MD5 of the bytes.
std::string Md5Hex(const void* data, size_t length);

}  // namespace chatserver
