// The maker's signed statement: the strict readers of its texts (key file, address parameters, DER form),
// the statement and the serial's judgement, and the system's ECDSA check of a statement about a file read
// through a handle that refuses writers, with a key pair and a signature that openssl made.
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

// A key pair and the signature of the statement about kSigned at serial 7 (kStatement), made with openssl
// ecparam -name prime256v1 and openssl dgst -sha256 -sign.
const char kMakerKey[] =
    "-----BEGIN PUBLIC KEY-----\r\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEoon2hWdS9tTNWOeobRRiatIT1+CR\r\n"
    "AA7hNrTdvDRxj1WOzGB+17wDDPXZBQicdJo1c46JqwjEafnKCVObmtld5w==\r\n"
    "-----END PUBLIC KEY-----\r\n";
const char kMakerPoint[] =
    "a289f6856752f6d4cd58e7a86d14626ad213d7e091000ee136b4ddbc34718f55"
    "8ecc607ed7bc030cf5d905089c749a35738e89ab08c469f9ca09539b9ad95de7";
const char kOtherKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEB9aNgu08R/50DL0AeSAw4XPj3QRE\n"
    "oqYdnok7daU/4JkDgNxihaxixXgSkaEJJpaDHLMMnWONQEY3qQlg86RIbg==\n"
    "-----END PUBLIC KEY-----\n";
const char kSigned[] = "Radurodi package bytes\n";
const char kSignedSha256[] = "77b243ee847474eb7bfc087fed2fbceead130afd0d16142132d15608ce2f71ef";
const char kStatement[] =
    "Radurodi package\nserial=7\nsha256=77b243ee847474eb7bfc087fed2fbceead130afd0d16142132d15608ce2f71ef\n";
const char kSignatureDer[] =
    "304402203c64e2b60d886d8afeced958a48addf7a20c680e66fe0c4e3cffafdf5171e3df02203cee9ba58a772264c4bd4ad5"
    "112d98f7d79640f89dca3b903f099e0bb98c062c";

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

// The serial as the address carries it: canonical decimal only; the statement around it; its judgement
// against the build's floor and the highest serial this machine has accepted.
TEST(PackageSerial, ReadsCanonicalNumbersAndJudgesThem) {
    struct Case {
        std::wstring text;
        uint64_t serial;  // 0: refused
    };
    const Case cases[] = {
        {L"7", 7},
        {L"9999999999999999999", 9999999999999999999ull},
        {L"10000000000000000000", 0},  // 20 digits
        {L"0", 0},
        {L"07", 0},
        {L"", 0},
        {L"+7", 0},
        {L"7 ", 0},
        {L"\x0667", 0},  // a digit of another script
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        uint64_t serial = 0;
        ASSERT_EQ(SerialFromAddress(L"http://h/d/p.zip?serial=" + c.text + L"&sig=x&md5=0123", serial),
                  c.serial != 0);
        EXPECT_EQ(serial, c.serial);
    }
    uint64_t serial = 0;
    EXPECT_FALSE(SerialFromAddress(L"http://h/d/p.zip?sig=x&md5=0123", serial));
    EXPECT_FALSE(SerialFromAddress(L"http://h/d/p.zip?xserial=7&md5=0123", serial));

    const std::vector<uint8_t> digest = Bytes(kSignedSha256);
    EXPECT_EQ(PackageStatement(7, digest.data()), kStatement);

    struct Judged {
        uint64_t serial, floor, accepted;
        PackageVerdict verdict;
    };
    const Judged judged[] = {
        {7, 0, 0, PackageVerdict::kAccepted},      {7, 7, 7, PackageVerdict::kAccepted},
        {7, 4, 5, PackageVerdict::kAccepted},      {3, 4, 0, PackageVerdict::kBelowFloor},
        {5, 4, 7, PackageVerdict::kBelowAccepted}, {3, 4, 7, PackageVerdict::kBelowAccepted},
        {3, 7, 4, PackageVerdict::kBelowFloor},    {3, 5, 5, PackageVerdict::kBelowFloor},
    };
    for (const Judged& j : judged)
        EXPECT_EQ(JudgeSerial(j.serial, j.floor, j.accepted), j.verdict)
            << j.serial << " " << j.floor << " " << j.accepted;
}

// The system's check, through a handle that refuses writers: the maker's signature of the statement
// about these bytes at this serial verifies; another key, another serial, one changed byte or a changed
// signature does not.
TEST(VerifyPackageStatement, VerifiesTheMakersStatementOverEveryByte) {
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
        uint64_t serial;
        const PackageKey& key;
        const RawSignature& signature;
        bool verifies;
    };
    std::string flipped = kSigned;
    flipped[3] ^= 0x20;
    const Case cases[] = {
        {"the maker's", kSigned, 7, maker, good, true},
        {"another key", kSigned, 7, other, good, false},
        {"another serial", kSigned, 8, maker, good, false},
        {"the statement itself as the package", kStatement, 7, maker, good, false},
        {"a byte changed", flipped, 7, maker, good, false},
        {"a byte more", std::string(kSigned) + "x", 7, maker, good, false},
        {"the signature changed", kSigned, 7, maker, changed, false},
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
        EXPECT_EQ(VerifyPackageStatement(file.get(), c.serial, c.signature, c.key), c.verifies);
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
