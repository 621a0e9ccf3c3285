#include "download/md5_file.h"

#include <bcrypt.h>

#include <memory>
#include <new>

#include "common/unique_handle.h"

namespace radu {

namespace {

constexpr DWORD kBlock = 1 << 20;

}  // namespace

bool HashOfFile(HANDLE file, const wchar_t* algorithm, unsigned char* digest, ULONG size) {
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    UniqueCngAlgorithm provider;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(provider.put(), algorithm, nullptr, 0)))
        return false;
    // With a null object buffer the provider keeps the hash object itself (Windows 7 and later). Declared
    // after the provider, the hash is destroyed first.
    UniqueCngHash hash;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider.get(), hash.put(), nullptr, 0, nullptr, 0, 0)))
        return false;

    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kBlock]);
    if (!buffer)
        return false;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.get(), kBlock, &got, nullptr))
            return false;
        if (got == 0)
            break;
        if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), buffer.get(), got, 0)))
            return false;
    }
    return BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest, size, 0));
}

std::wstring Md5OfFile(const wchar_t* path) {
    UniqueFileHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned char digest[16];
    if (!file || !HashOfFile(file.get(), BCRYPT_MD5_ALGORITHM, digest, sizeof digest))
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
