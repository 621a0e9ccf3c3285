// The maker's public key and the lowest package serial, built into the installer by the build settings
// RADU_PACKAGE_KEY and RADU_PACKAGE_MIN_SERIAL. A build with a key accepts a package only with the maker's
// signed statement about it; a build without one checks what it always did.
#pragma once

#include <cstdint>

#include "download/signature_text.h"

namespace radu {

// The key, or null for a build without one.
const PackageKey* BuiltInPackageKey();

// The lowest serial a package may carry in a build with a key (0: any).
uint64_t BuiltInSerialFloor();

}  // namespace radu
