#include "download/signature_check.h"

#include <bcrypt.h>

#include <cstring>

#include "common/unique_handle.h"
#include "download/md5_file.h"

namespace radu {

namespace {

bool Sha256OfBytes(const std::string& bytes, unsigned char digest[32]) {
    UniqueCngAlgorithm provider;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(provider.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    UniqueCngHash hash;  // destroyed before the provider
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider.get(), hash.put(), nullptr, 0, nullptr, 0, 0)))
        return false;
    // The function takes a writable buffer but does not write to it.
    PUCHAR data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
    return BCRYPT_SUCCESS(::BCryptHashData(hash.get(), data, static_cast<ULONG>(bytes.size()), 0)) &&
           BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest, 32, 0));
}

}  // namespace

bool VerifyPackageStatement(HANDLE file, uint64_t serial, const RawSignature& signature,
                            const PackageKey& key) {
    unsigned char package[32], statement[32];
    if (!HashOfFile(file, BCRYPT_SHA256_ALGORITHM, package, sizeof package) ||
        !Sha256OfBytes(PackageStatement(serial, package), statement))
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
    return BCRYPT_SUCCESS(::BCryptVerifySignature(publicKey.get(), nullptr, statement, sizeof statement,
                                                  copy.rs, sizeof copy.rs, 0));
}

PackageCheck CheckPackage(HANDLE file, const std::wstring& address, const PackageTrust& trust) {
    PackageCheck check;
    RawSignature signature;
    check.hasSerial = SerialFromAddress(address, check.serial);
    if (!SignatureFromAddress(address, signature))
        check.verdict = PackageVerdict::kNoSignature;
    else if (!check.hasSerial)
        check.verdict = PackageVerdict::kNoSerial;
    else if (file == INVALID_HANDLE_VALUE || file == nullptr)
        check.verdict = PackageVerdict::kUnreadable;
    else if (!VerifyPackageStatement(file, check.serial, signature, trust.key))
        check.verdict = PackageVerdict::kBadSignature;
    else
        check.verdict = JudgeSerial(check.serial, trust.floor, trust.accepted);
    return check;
}

}  // namespace radu
