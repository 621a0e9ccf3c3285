// Parts: radtool.cpp (the command line), fetch_command.cpp (also ReadKey), unpack_command.cpp,
// check_command.cpp.
// The commands of radtool. Each takes the arguments after the command name and returns the exit code.
#pragma once

#include "download/signature_text.h"

namespace radtool {

int Fetch(int argc, wchar_t** argv);
int Check(int argc, wchar_t** argv);

// The key of a PEM file, as the installer's build takes it.
bool ReadKey(const wchar_t* path, radu::PackageKey& key);
int Unpack(int argc, wchar_t** argv);

}  // namespace radtool
