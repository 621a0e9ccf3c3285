// The maker's signature over a file, checked with the system's ECDSA provider.
#pragma once

#include <windows.h>

#include "download/signature_text.h"

namespace radu {

// True when signature is key's ECDSA P-256 signature over the SHA-256 of every byte of file, read from its
// start through this handle.
bool VerifyFileSignature(HANDLE file, const RawSignature& signature, const PackageKey& key);

}  // namespace radu
