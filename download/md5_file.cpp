#include "download/md5_file.h"

#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <new>

#include "common/unique_handle.h"

namespace radu {

namespace {

constexpr DWORD kBlock = 1 << 20;

}  // namespace

std::wstring Md5OfFile(const wchar_t* path) {
    UniqueFileHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {};

    UniqueCngAlgorithm algorithm;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_MD5_ALGORITHM, nullptr, 0)))
        return {};
    // With a null object buffer the provider keeps the hash object itself (Windows 7 and later). Declared
    // after the provider, the hash is destroyed first.
    UniqueCngHash hash;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)))
        return {};

    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kBlock]);
    if (!buffer)
        return {};
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.get(), kBlock, &got, nullptr))
            return {};
        if (got == 0)
            break;
        if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), buffer.get(), got, 0)))
            return {};
    }
    unsigned char digest[16];
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest, sizeof digest, 0)))
        return {};

    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text;
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

}  // namespace radu
