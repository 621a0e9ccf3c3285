// Parts: radtool.cpp (the command line), fetch_command.cpp, unpack_command.cpp.
// The commands of radtool. Each takes the arguments after the command name and returns the exit code.
#pragma once

namespace radtool {

int Fetch(int argc, wchar_t** argv);
int Unpack(int argc, wchar_t** argv);

}  // namespace radtool
