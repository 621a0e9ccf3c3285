// Parts: radtool.cpp (the command line), fetch_command.cpp, unpack_command.cpp, check_command.cpp,
// package_trust.cpp (ReadTrust, DescribeCheck).
// The commands of radtool. Each takes the arguments after the command name and returns the exit code.
#pragma once

#include <string>

#include "download/signature_text.h"

namespace radtool {

int Fetch(int argc, wchar_t** argv);
int Check(int argc, wchar_t** argv);
int Unpack(int argc, wchar_t** argv);

// What a package is checked against: the key of a PEM file, as the installer's build takes it, floor
// ("--min-serial", null for none) and the highest serial this machine's installers have accepted. Says
// on standard error what is wrong, and returns false, for a key or floor that cannot be used.
bool ReadTrust(const wchar_t* keyFile, const wchar_t* floor, radu::PackageTrust& trust);

// One line: the serial the check saw ("serial=N", "serial=none") and what became of it, with why.
std::wstring DescribeCheck(const radu::PackageCheck& check, const radu::PackageTrust& trust);

}  // namespace radtool
