// Product texts and paths the installer window uses.
#pragma once

#include "build_config.h"

namespace radu {

constexpr wchar_t kWindowTitle[] = L"Radurodi安装程序";
constexpr wchar_t kLicenceAddress[] = L"http://" RADU_PACKAGE_HOST L"/terms.html";
constexpr wchar_t kFullInstallerAddress[] = L"http://" RADU_PACKAGE_HOST L"/consezip/ZoRiduvUzarizaz.exe";
// Relative to the install folder, joined to it without a separator.
constexpr wchar_t kProductExecutable[] = L"VaruPhoneAx\\Varu.exe";
constexpr wchar_t kUninstaller[] = L"VaruPhoneAx\\VaruUnInstall.exe";

}  // namespace radu
