// Digests of files through the system's hash provider.
#pragma once

#include <windows.h>

#include <string>

namespace radu {

// 32 upper-case hexadecimal characters, or empty text when the file cannot be opened or read.
std::wstring Md5OfFile(const wchar_t* path);

// The digest (algorithm: a CNG algorithm name such as BCRYPT_SHA256_ALGORITHM) of every byte of an open
// file, read from its start through this handle, into digest (size bytes). False when reading fails.
bool HashOfFile(HANDLE file, const wchar_t* algorithm, unsigned char* digest, ULONG size);

}  // namespace radu
