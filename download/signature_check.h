// The maker's signed statement about a package, checked with the system's ECDSA provider.
#pragma once

#include <windows.h>

#include <string>

#include "download/signature_text.h"

namespace radu {

// True when signature is key's ECDSA P-256 signature over the SHA-256 of the statement that binds serial
// to the SHA-256 of every byte of file, read from its start through this handle (PackageStatement).
bool VerifyPackageStatement(HANDLE file, uint64_t serial, const RawSignature& signature,
                            const PackageKey& key);

// Checks the package open in file against the signature and serial its final address carries, as a build
// with trust takes a package: the maker's statement must verify, then the serial must reach the floor and
// the highest serial this machine has accepted. The verdict names the first reason to refuse.
PackageCheck CheckPackage(HANDLE file, const std::wstring& address, const PackageTrust& trust);

}  // namespace radu
