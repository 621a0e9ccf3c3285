// The maker's public key, built into the installer by the build setting RADU_PACKAGE_KEY. A build with a
// key accepts a package only with the maker's signature; a build without one checks what it always did.
#pragma once

#include "download/signature_text.h"

namespace radu {

// The key, or null for a build without one.
const PackageKey* BuiltInPackageKey();

}  // namespace radu
