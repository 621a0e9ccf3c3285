// Compiled with RADU_PACKAGE_KEY defined as the key's point in 128 hexadecimal digits (X then Y), which
// the build takes from the maker's PEM file and checks; without it the build has no key. With a key,
// RADU_PACKAGE_MIN_SERIAL may give the lowest serial (a number the build checks).
#include "app/package_key.h"

namespace radu {

#ifdef RADU_PACKAGE_KEY

namespace {

constexpr char kKeyDigits[] = RADU_PACKAGE_KEY;
static_assert(sizeof kKeyDigits == 2 * sizeof(PackageKey::point) + 1, "RADU_PACKAGE_KEY is 128 digits");

constexpr int Digit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c - 'A' + 10;
}

constexpr PackageKey KeyFromDigits() {
    PackageKey key;
    for (size_t i = 0; i < sizeof key.point; ++i)
        key.point[i] = static_cast<uint8_t>(Digit(kKeyDigits[2 * i]) * 16 + Digit(kKeyDigits[2 * i + 1]));
    return key;
}

constexpr PackageKey kKey = KeyFromDigits();

}  // namespace

const PackageKey* BuiltInPackageKey() {
    return &kKey;
}

#else

const PackageKey* BuiltInPackageKey() {
    return nullptr;
}

#endif

uint64_t BuiltInSerialFloor() {
#ifdef RADU_PACKAGE_MIN_SERIAL
    return RADU_PACKAGE_MIN_SERIAL;
#else
    return 0;
#endif
}

}  // namespace radu
