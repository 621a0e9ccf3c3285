// The product's fixed names, paths and addresses. Paths of product files are relative to the install
// folder and are joined to its text as they stand, so the folder text ends with "\".
#pragma once

#include <cstddef>

#include "build_config.h"

namespace radu {

inline constexpr wchar_t kProductName[] = L"Radurodi";
inline constexpr wchar_t kWindowTitle[] = L"Radurodi安装程序";
inline constexpr wchar_t kProductVersion[] = RADU_VERSION;  // the project's version, "1.0"

inline constexpr wchar_t kPackageAddress[] = L"http://" RADU_PACKAGE_HOST L"/consezip/VaruPhoneAx.zip";
inline constexpr wchar_t kPackageFileName[] = L"VaruPhoneAx.zip";
inline constexpr wchar_t kFullInstallerAddress[] =
    L"http://" RADU_PACKAGE_HOST L"/consezip/ZoRiduvUzarizaz.exe";
inline constexpr wchar_t kLicenceAddress[] = L"http://" RADU_PACKAGE_HOST L"/terms.html";

inline constexpr wchar_t kProgramPath[] = L"VaruPhoneAx\\Varu.exe";
inline constexpr wchar_t kUninstallerPath[] = L"VaruPhoneAx\\VaruUnInstall.exe";

// Web address of the maker's site, shown in the list of installed programs.
inline constexpr wchar_t kMakerSite[] = RADU_MAKER_SITE;

// What runs of the product is stopped before the installer's window appears.
inline constexpr wchar_t kServiceName[] = L"QRVN_Sever";
inline constexpr const wchar_t* kKillList[] = {L"QRVN_Helper.exe", L"Varu.exe", L"httpd.exe", L"http.exe",
                                               L"QRVNP2sp.exe",    L"adb.exe",  L"aapt.exe"};
inline constexpr size_t kKillListSize = sizeof kKillList / sizeof kKillList[0];

// Type code of the install report, the same whatever the outcome of the attempt.
inline constexpr int kReportType = 100;

}  // namespace radu
