// The MD5 digest of a file, through the system's hash provider.
#pragma once

#include <string>

namespace radu {

// 32 upper-case hexadecimal characters, or empty text when the file cannot be opened or read.
std::wstring Md5OfFile(const wchar_t* path);

}  // namespace radu
