// The texts and rules around a package signature, without the system: the maker's public key as a PEM
// file holds it, the signature and the package's serial as the package's address carries them, the
// statement the maker signs, the signature's DER form turned into the fixed-size form the system's
// verifier takes, and whether a serial is high enough. Every input here comes from a file or a server and
// is checked strictly; nothing is guessed.
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

// A parameter's text in an address: after "?name=" or "&name=" (the first such) up to the next "&" or the
// end. Empty when the address has none.
std::wstring AddressParameter(const std::wstring& address, const wchar_t* name);

// The signature an address carries ("sig=", base64url of the DER form), in raw form. False when there is
// none or it is malformed.
bool SignatureFromAddress(const std::wstring& address, RawSignature& raw);

// A package's serial: the number the maker gives each package, higher for every later one. Its text is 1
// to 19 decimal digits, the first not 0 (so each number has one text, and every text fits). False for
// anything else.
bool ParseSerial(const std::wstring& text, uint64_t& serial);

// The serial an address carries ("serial="). False when there is none or it is malformed.
bool SerialFromAddress(const std::wstring& address, uint64_t& serial);

// What the maker signs for a package: its serial and the SHA-256 of its bytes,
// "Radurodi package\nserial=<decimal>\nsha256=<64 lower-case hexadecimal digits>\n". A signature over the
// package's bytes alone never verifies as one over a statement: a zip archive does not start with this
// text.
std::string PackageStatement(uint64_t serial, const uint8_t sha256[32]);

// What a signed package is checked against: the maker's key, the lowest serial the build takes, and the
// highest serial this machine has accepted (0 when none).
struct PackageTrust {
    PackageKey key;
    uint64_t floor = 0;
    uint64_t accepted = 0;
};

// Why a signed package was taken or refused, first reason first.
enum class PackageVerdict {
    kNotChecked,     // the download failed before there was a package to check
    kNoSignature,    // the address carries no signature, or a malformed one
    kNoSerial,       // the address carries no serial, or a malformed one
    kUnreadable,     // the package could not be opened
    kBadSignature,   // the signature is not the maker's over this serial and these bytes (or they could
                     // not be read)
    kBelowFloor,     // signed, but below the lowest serial the build takes
    kBelowAccepted,  // signed, but below the highest serial this machine has accepted
    kAccepted,
};

// What the check of a signed package saw.
struct PackageCheck {
    PackageVerdict verdict = PackageVerdict::kNotChecked;
    bool hasSerial = false;  // the address carried a well-formed serial
    uint64_t serial = 0;
};

// A verified serial against the build's floor and the highest this machine has accepted: taken when it
// reaches both (an equal serial is the same release again). Refused below the higher of the two, named
// after it (the floor when they are equal).
PackageVerdict JudgeSerial(uint64_t serial, uint64_t floor, uint64_t accepted);

}  // namespace radu
