// MD5 through the older CryptoAPI provider: an independent reference for the engine's digests.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace radu::test {

inline std::string ReferenceMd5(const std::string& data) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        ::CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()),
                        0)) {
        BYTE digest[16];
        DWORD size = sizeof digest;
        if (::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            static const char kHex[] = "0123456789abcdef";
            for (BYTE b : digest) {
                hex += kHex[b >> 4];
                hex += kHex[b & 15];
            }
        }
    }
    if (hash)
        ::CryptDestroyHash(hash);
    if (provider)
        ::CryptReleaseContext(provider, 0);
    return hex;
}

}  // namespace radu::test
