// The texts around a package signature, without the system: the maker's public key as a PEM file holds
// it, the signature as the package's address carries it, and the signature's DER form turned into the
// fixed-size form the system's verifier takes. Every input here comes from a file or a server and is
// checked strictly; nothing is guessed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace radu {

// An ECDSA P-256 public key: the curve point's X and Y coordinates, 32 bytes each, big-endian.
struct PackageKey {
    uint8_t point[64] = {};
};

// An ECDSA P-256 signature as r and s, 32 bytes each, big-endian.
struct RawSignature {
    uint8_t rs[64] = {};
};

// Base64 without line breaks or blanks; urlSafe takes "-" and "_" for "+" and "/". Padding "=" is
// required in the standard alphabet and refused in the URL alphabet. Bits left over after the last
// whole byte must be zero. False on anything else.
bool DecodeBase64(const std::string& text, bool urlSafe, std::vector<uint8_t>& out);
std::string EncodeBase64Url(const uint8_t* data, size_t size);

// The key of a PEM "PUBLIC KEY" block (a SubjectPublicKeyInfo) that holds an uncompressed P-256 point, as
// `openssl ec -pubout` writes it. Lines may end in "\r\n"; text before and after the block is ignored.
// False for any other key, curve or form.
bool PublicKeyFromPem(const std::string& pem, PackageKey& key);

// The DER signature openssl writes (SEQUENCE of the INTEGERs r and s) in the raw form: each integer
// positive, minimally encoded, at most 32 bytes of value, nothing after the sequence.
bool DerSignatureToRaw(const uint8_t* der, size_t size, RawSignature& raw);

// The signature parameter's text in an address: after "?sig=" or "&sig=" up to the next "&" or the end.
// Empty when the address has none.
std::wstring SignatureParameter(const std::wstring& address);

// The signature an address carries (base64url of the DER form), in raw form. False when there is none
// or it is malformed.
bool SignatureFromAddress(const std::wstring& address, RawSignature& raw);

}  // namespace radu
