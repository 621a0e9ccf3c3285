#include "download/signature_text.h"

#include <cstring>

namespace radu {

namespace {

// DER of a SubjectPublicKeyInfo for an EC key on P-256 (id-ecPublicKey, prime256v1) up to the point,
// which follows as 0x04 X Y.
constexpr uint8_t kP256KeyInfoPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                          0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                          0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr size_t kP256KeyInfoSize = sizeof kP256KeyInfoPrefix + 64;

// The longest DER signature: a sequence of two 33-byte integers (a leading zero each).
constexpr size_t kMaxDerSignature = 2 + 2 * (2 + 33);

// 19 digits hold any serial below 10^19, which is below 2^64.
constexpr size_t kMaxSerialDigits = 19;

int Base64Value(char c, bool urlSafe) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == (urlSafe ? '-' : '+'))
        return 62;
    if (c == (urlSafe ? '_' : '/'))
        return 63;
    return -1;
}

// One INTEGER of a signature into 32 big-endian bytes; advances at.
bool ReadInteger(const uint8_t* der, size_t size, size_t& at, uint8_t out[32]) {
    if (size - at < 2 || der[at] != 0x02)
        return false;
    size_t length = der[at + 1];
    at += 2;
    if (length == 0 || length > 33 || size - at < length)
        return false;
    const uint8_t* value = der + at;
    at += length;
    if (value[0] & 0x80)
        return false;  // negative
    if (value[0] == 0) {
        if (length == 1 || !(value[1] & 0x80))
            return false;  // zero, or a leading zero that is not needed
        ++value;
        --length;
    }
    if (length > 32)
        return false;
    std::memset(out, 0, 32 - length);
    std::memcpy(out + 32 - length, value, length);
    return true;
}

}  // namespace

bool DecodeBase64(const std::string& text, bool urlSafe, std::vector<uint8_t>& out) {
    out.clear();
    size_t end = text.size();
    size_t padding = 0;
    if (!urlSafe) {
        if (end % 4 != 0)
            return false;
        while (padding < 2 && end > 0 && text[end - 1] == '=') {
            --end;
            ++padding;
        }
    }
    if (end % 4 == 1 || (!urlSafe && padding != (4 - end % 4) % 4))
        return false;
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = 0; i < end; ++i) {
        int v = Base64Value(text[i], urlSafe);
        if (v < 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<uint8_t>(bits >> count));
            bits &= (1u << count) - 1;
        }
    }
    return bits == 0;  // the unused low bits of the last character
}

std::string EncodeBase64Url(const uint8_t* data, size_t size) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string text;
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = 0; i < size; ++i) {
        bits = (bits << 8) | data[i];
        count += 8;
        while (count >= 6) {
            count -= 6;
            text += kAlphabet[(bits >> count) & 63];
        }
    }
    if (count > 0)
        text += kAlphabet[(bits << (6 - count)) & 63];
    return text;
}

bool PublicKeyFromPem(const std::string& pem, PackageKey& key) {
    static const char kBegin[] = "-----BEGIN PUBLIC KEY-----", kEnd[] = "-----END PUBLIC KEY-----";
    const size_t begin = pem.find(kBegin);
    if (begin == std::string::npos)
        return false;
    const size_t bodyStart = begin + sizeof kBegin - 1;
    const size_t end = pem.find(kEnd, bodyStart);
    if (end == std::string::npos)
        return false;
    std::string body;
    for (size_t i = bodyStart; i < end; ++i) {
        if (pem[i] != '\r' && pem[i] != '\n')
            body += pem[i];
    }
    std::vector<uint8_t> der;
    if (!DecodeBase64(body, false, der) || der.size() != kP256KeyInfoSize ||
        std::memcmp(der.data(), kP256KeyInfoPrefix, sizeof kP256KeyInfoPrefix) != 0)
        return false;
    std::memcpy(key.point, der.data() + sizeof kP256KeyInfoPrefix, 64);
    return true;
}

bool DerSignatureToRaw(const uint8_t* der, size_t size, RawSignature& raw) {
    if (!der || size < 8 || size > kMaxDerSignature || der[0] != 0x30 || der[1] != size - 2)
        return false;
    size_t at = 2;
    return ReadInteger(der, size, at, raw.rs) && ReadInteger(der, size, at, raw.rs + 32) && at == size;
}

std::wstring AddressParameter(const std::wstring& address, const wchar_t* name) {
    const std::wstring key = std::wstring(name) + L"=";
    for (size_t at = address.find(key); at != std::wstring::npos; at = address.find(key, at + 1)) {
        if (at > 0 && (address[at - 1] == L'?' || address[at - 1] == L'&')) {
            const size_t start = at + key.size();
            return address.substr(start, address.find(L'&', start) - start);
        }
    }
    return {};
}

bool SignatureFromAddress(const std::wstring& address, RawSignature& raw) {
    const std::wstring parameter = AddressParameter(address, L"sig");
    std::string text;
    for (wchar_t c : parameter) {
        if (c > 0x7F)
            return false;
        text += static_cast<char>(c);
    }
    std::vector<uint8_t> der;
    return !text.empty() && text.size() <= 2 * kMaxDerSignature && DecodeBase64(text, true, der) &&
           DerSignatureToRaw(der.data(), der.size(), raw);
}

bool ParseSerial(const std::wstring& text, uint64_t& serial) {
    if (text.empty() || text.size() > kMaxSerialDigits || text[0] == L'0')
        return false;
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    serial = value;
    return true;
}

bool SerialFromAddress(const std::wstring& address, uint64_t& serial) {
    return ParseSerial(AddressParameter(address, L"serial"), serial);
}

std::string PackageStatement(uint64_t serial, const uint8_t sha256[32]) {
    static const char kDigits[] = "0123456789abcdef";
    char decimal[kMaxSerialDigits + 1];
    size_t length = 0;
    do {
        decimal[length++] = static_cast<char>('0' + serial % 10);
        serial /= 10;
    } while (serial != 0);
    std::string statement = "Radurodi package\nserial=";
    while (length > 0)
        statement += decimal[--length];
    statement += "\nsha256=";
    for (size_t i = 0; i < 32; ++i) {
        statement += kDigits[sha256[i] >> 4];
        statement += kDigits[sha256[i] & 15];
    }
    statement += '\n';
    return statement;
}

PackageVerdict JudgeSerial(uint64_t serial, uint64_t floor, uint64_t accepted) {
    if (serial >= floor && serial >= accepted)
        return PackageVerdict::kAccepted;
    return floor >= accepted ? PackageVerdict::kBelowFloor : PackageVerdict::kBelowAccepted;
}

}  // namespace radu
