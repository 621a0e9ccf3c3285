// The maker's signature: the strict readers of its texts (key file, address parameter, DER form), and the
// system's ECDSA check over a file read through a handle that refuses writers, with a key pair and a
// signature that openssl made.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "download/signature_check.h"
#include "download/signature_text.h"

namespace radu {
namespace {

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string Hex(const uint8_t* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i)
        out += {kDigits[data[i] >> 4], kDigits[data[i] & 15]};
    return out;
}

const std::string k32 = std::string(62, '1') + "22";    // 32 bytes, high bit clear
const std::string kHigh = "80" + std::string(62, '3');  // 32 bytes, high bit set: needs a zero before it

struct DerCase {
    const char* what;
    std::string der;  // hex
    std::string raw;  // hex r||s, empty when refused
};

TEST(DerSignatureToRaw, TakesStrictDerOnly) {
    const DerCase cases[] = {
        {"two 32-byte integers",
         "3044"
         "0220" +
             k32 + "0220" + k32,
         k32 + k32},
        {"a leading zero before a high bit",
         "3045"
         "0221"
         "00" +
             kHigh + "0220" + k32,
         kHigh + k32},
        {"short integers are padded",
         "3006"
         "0201"
         "05"
         "0201"
         "07",
         std::string(62, '0') + "05" + std::string(62, '0') + "07"},
        {"negative",
         "3006"
         "0201"
         "85"
         "0201"
         "07",
         ""},
        {"a zero that is not needed",
         "3007"
         "0202"
         "0005"
         "0201"
         "07",
         ""},
        {"zero length",
         "3005"
         "0200"
         "0201"
         "07",
         ""},
        {"33 bytes of value",
         "3045"
         "0221"
         "01" +
             k32 + "0220" + k32,
         ""},
        {"a byte after the sequence",
         "3006"
         "0201"
         "05"
         "0201"
         "07"
         "00",
         ""},
        {"sequence length one short",
         "3005"
         "0201"
         "05"
         "0201"
         "07",
         ""},
        {"integer longer than what is left",
         "3006"
         "0201"
         "05"
         "0202"
         "07",
         ""},
        {"not a sequence",
         "3106"
         "0201"
         "05"
         "0201"
         "07",
         ""},
        {"one integer",
         "3003"
         "0201"
         "05",
         ""},
    };
    for (const DerCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> der = Bytes(c.der);
        RawSignature raw;
        ASSERT_EQ(DerSignatureToRaw(der.data(), der.size(), raw), !c.raw.empty());
        if (!c.raw.empty()) {
            EXPECT_EQ(Hex(raw.rs, sizeof raw.rs), c.raw);
        }
    }
}

TEST(DecodeBase64, RefusesWhatIsNotCanonical) {
    struct Case {
        const char* text;
        bool urlSafe;
        const char* hex;  // nullptr: refused
    };
    const Case cases[] = {
        {"TWFu", false, "4d616e"}, {"TWE=", false, "4d61"},  {"TQ==", false, "4d"},
        {"TWE", false, nullptr},   {"TWF=", false, nullptr}, {"TW\nFu", false, nullptr},
        {"-_-_", true, "fbffbf"},  {"+/+/", true, nullptr},  {"TWE=", true, nullptr},
        {"TWE", true, "4d61"},     {"T", true, nullptr},     {"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<uint8_t> out;
        ASSERT_EQ(DecodeBase64(c.text, c.urlSafe, out), c.hex != nullptr);
        if (c.hex) {
            EXPECT_EQ(Hex(out.data(), out.size()), c.hex);
        }
    }
    const std::vector<uint8_t> any = Bytes("00ff10203040506070");
    for (size_t n = 0; n <= any.size(); ++n) {
        std::vector<uint8_t> back;
        ASSERT_TRUE(DecodeBase64(EncodeBase64Url(any.data(), n), true, back));
        EXPECT_EQ(back, std::vector<uint8_t>(any.begin(), any.begin() + n));
    }
}

// A key pair and a signature over kSigned, made with openssl ecparam -name prime256v1 and openssl dgst
// -sha256 -sign.
const char kMakerKey[] =
    "-----BEGIN PUBLIC KEY-----\r\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEHDzhItCddUsHmpn0/HuVsh7cvbll\r\n"
    "6fXiFdQEmIPn1s+NqmcQ8iscGgNX6sxmUrxmEceqM393imECHS/x8XJDvg==\r\n"
    "-----END PUBLIC KEY-----\r\n";
const char kMakerPoint[] =
    "1c3ce122d09d754b079a99f4fc7b95b21edcbdb965e9f5e215d4049883e7d6cf"
    "8daa6710f22b1c1a0357eacc6652bc6611c7aa337f778a61021d2ff1f17243be";
const char kOtherKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEB9aNgu08R/50DL0AeSAw4XPj3QRE\n"
    "oqYdnok7daU/4JkDgNxihaxixXgSkaEJJpaDHLMMnWONQEY3qQlg86RIbg==\n"
    "-----END PUBLIC KEY-----\n";
const char kSigned[] = "Radurodi package bytes\n";
const char kSignatureDer[] =
    "30440220650a282145c977a6ead1c43a04b4b39d066e2f5672797ef57ef011ca587acce002201f2918eeb5830d8f0f4b637b"
    "aaddec188e8d4abe50d3d9d3f7783df1c9d135ea";

TEST(PublicKeyFromPem, TakesAnUncompressedP256KeyOnly) {
    PackageKey key;
    ASSERT_TRUE(PublicKeyFromPem(std::string("openssl wrote:\n") + kMakerKey + "\n", key));
    EXPECT_EQ(Hex(key.point, sizeof key.point), kMakerPoint);
    const char* refused[] = {
        // P-384
        "-----BEGIN PUBLIC KEY-----\nMHYwEAYHKoZIzj0CAQYFK4EEACIDYgAEcKjdrDfE8KTOufodxN4cnt8GGtYAd6bS\n"
        "Ef78igKZe5KVGQcYk2YuTtqtNgctSsovGNOKhztfZ/q3pLJi83NU/U6ekP+xLspW\n"
        "bd0bu0eLmM7fZHuRrFnON8tR55aOeRAy\n-----END PUBLIC KEY-----\n",
        // P-256, compressed point
        "-----BEGIN PUBLIC KEY-----\nMDkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDIgADfg6Xa+ieHU4CjuH9RJyb4i78LUnd\n"
        "lfWmFp89bTwRRhw=\n-----END PUBLIC KEY-----\n",
        "-----BEGIN PUBLIC KEY-----\nMFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE\n-----END PUBLIC KEY-----\n",
        "-----BEGIN PUBLIC KEY-----\nMFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEHDzhItCddUsHmpn0/HuVsh7cvbll\n",
        "",
    };
    for (const char* pem : refused)
        EXPECT_FALSE(PublicKeyFromPem(pem, key)) << pem;
}

TEST(SignatureFromAddress, ReadsTheSigParameterOnly) {
    const std::vector<uint8_t> der = Bytes(kSignatureDer);
    const std::string sig = EncodeBase64Url(der.data(), der.size());
    const std::wstring wide(sig.begin(), sig.end());
    struct Case {
        std::wstring address;
        bool found;
    };
    const Case cases[] = {
        {L"http://h/d/p.zip?sig=" + wide + L"&md5=0123", true},
        {L"http://h/d/p.zip?md5=0123&sig=" + wide, true},
        {L"http://h/d/p.zip?xsig=" + wide + L"&md5=0123", false},  // another parameter's name
        {L"http://h/d/p.zip?md5=0123", false},
        {L"http://h/d/p.zip?sig=&md5=0123", false},
        {L"http://h/d/p.zip?sig=" + wide.substr(1) + L"&md5=0123", false},  // cut short
        {L"http://h/d/p.zip?sig=" + wide + L"=&md5=0123", false},           // padded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address.begin(), c.address.end()));
        RawSignature raw;
        ASSERT_EQ(SignatureFromAddress(c.address, raw), c.found);
        if (c.found) {
            EXPECT_EQ(Hex(raw.rs, 32), std::string(kSignatureDer).substr(8, 64));
        }
    }
}

// The system's check, through a handle that refuses writers: the maker's signature over these bytes
// verifies; another key, one changed byte or a changed signature does not.
TEST(VerifyFileSignature, VerifiesTheMakersSignatureOverEveryByte) {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"sig", 0, path);
    PackageKey maker, other;
    ASSERT_TRUE(PublicKeyFromPem(kMakerKey, maker));
    ASSERT_TRUE(PublicKeyFromPem(kOtherKey, other));
    const std::vector<uint8_t> der = Bytes(kSignatureDer);
    RawSignature good, changed;
    ASSERT_TRUE(DerSignatureToRaw(der.data(), der.size(), good));
    changed = good;
    changed.rs[63] ^= 1;

    struct Case {
        const char* what;
        std::string content;
        const PackageKey& key;
        const RawSignature& signature;
        bool verifies;
    };
    std::string flipped = kSigned;
    flipped[3] ^= 0x20;
    const Case cases[] = {
        {"the maker's", kSigned, maker, good, true},
        {"another key", kSigned, other, good, false},
        {"a byte changed", flipped, maker, good, false},
        {"a byte more", std::string(kSigned) + "x", maker, good, false},
        {"the signature changed", kSigned, maker, changed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            UniqueFileHandle out(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(out.get(), c.content.data(), static_cast<DWORD>(c.content.size()), &written,
                                  nullptr));
        }
        UniqueFileHandle file(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        // Read to the end first: the check reads from the start whatever the handle's position.
        char skip[64];
        DWORD got = 0;
        ReadFile(file.get(), skip, sizeof skip, &got, nullptr);
        EXPECT_EQ(VerifyFileSignature(file.get(), c.signature, c.key), c.verifies);
        // While the handle is held nobody writes, renames or deletes the file.
        EXPECT_FALSE(UniqueFileHandle(CreateFileW(path, GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr)));
        const std::wstring moved = std::wstring(path) + L".moved";
        EXPECT_FALSE(MoveFileExW(path, moved.c_str(), 0));
        EXPECT_FALSE(DeleteFileW(path));
    }
    DeleteFileW(path);
}

}  // namespace
}  // namespace radu
