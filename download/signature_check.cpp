#include "download/signature_check.h"

#include <bcrypt.h>

#include <cstring>

#include "common/unique_handle.h"
#include "download/md5_file.h"

namespace radu {

bool VerifyFileSignature(HANDLE file, const RawSignature& signature, const PackageKey& key) {
    unsigned char digest[32];
    if (!HashOfFile(file, BCRYPT_SHA256_ALGORITHM, digest, sizeof digest))
        return false;

    struct {
        BCRYPT_ECCKEY_BLOB header;
        unsigned char point[64];
    } blob;
    blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    blob.header.cbKey = 32;
    std::memcpy(blob.point, key.point, sizeof blob.point);
    static_assert(sizeof blob == sizeof(BCRYPT_ECCKEY_BLOB) + 64, "the key blob is header and point");

    UniqueCngAlgorithm provider;
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(provider.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    UniqueCngKey publicKey;  // destroyed before the provider
    if (!BCRYPT_SUCCESS(::BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, publicKey.put(),
                                              reinterpret_cast<PUCHAR>(&blob), sizeof blob, 0)))
        return false;
    RawSignature copy = signature;  // the function takes a writable buffer
    return BCRYPT_SUCCESS(
        ::BCryptVerifySignature(publicKey.get(), nullptr, digest, sizeof digest, copy.rs, sizeof copy.rs, 0));
}

}  // namespace radu
