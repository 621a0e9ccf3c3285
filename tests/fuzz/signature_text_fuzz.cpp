// The signature's texts as a server or a key file may give them: whatever the bytes, a DER signature that
// is taken is the one canonical encoding of the r and s it yields, base64url that is taken encodes back to
// itself, an address parameter never runs into the next one, and a serial that is taken is the one
// decimal text of its number, which the statement carries as it is.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "download/signature_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

// The strict DER of one 32-byte big-endian integer, written independently of the reader.
void PutInteger(const uint8_t* value, std::vector<uint8_t>& out) {
    size_t skip = 0;
    while (skip < 31 && value[skip] == 0)
        ++skip;
    const bool pad = value[skip] & 0x80;
    out.push_back(0x02);
    out.push_back(static_cast<uint8_t>(32 - skip + pad));
    if (pad)
        out.push_back(0);
    out.insert(out.end(), value + skip, value + 32);
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    RawSignature raw;
    if (DerSignatureToRaw(data, size, raw)) {
        std::vector<uint8_t> body, der;
        PutInteger(raw.rs, body);
        PutInteger(raw.rs + 32, body);
        der.push_back(0x30);
        der.push_back(static_cast<uint8_t>(body.size()));
        der.insert(der.end(), body.begin(), body.end());
        FUZZ_CHECK(der.size() == size && std::memcmp(der.data(), data, size) == 0);
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> decoded;
    if (DecodeBase64(text, true, decoded))
        FUZZ_CHECK(EncodeBase64Url(decoded.data(), decoded.size()) == text);
    DecodeBase64(text, false, decoded);

    PackageKey key;
    PublicKeyFromPem(text, key);

    std::wstring address;
    for (size_t i = 0; i + 1 < size; i += 2)
        address += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    FUZZ_CHECK(AddressParameter(address, L"sig").find(L'&') == std::wstring::npos);
    SignatureFromAddress(address, raw);
    uint64_t serial = 0;
    if (SerialFromAddress(address, serial)) {
        const std::wstring text = AddressParameter(address, L"serial");
        FUZZ_CHECK(text == std::to_wstring(static_cast<unsigned long long>(serial)));
        uint8_t digest[32] = {};
        std::memcpy(digest, data, size < sizeof digest ? size : sizeof digest);
        FUZZ_CHECK(PackageStatement(serial, digest)
                       .find("\nserial=" + std::string(text.begin(), text.end()) + "\nsha256=") !=
                   std::string::npos);
    }
    return 0;
}
