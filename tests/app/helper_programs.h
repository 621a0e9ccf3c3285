// Paths of the small programs built next to the tests of this folder.
#pragma once

#include <windows.h>

#include <string>

namespace radu::test {

inline std::wstring HelperProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

}  // namespace radu::test
