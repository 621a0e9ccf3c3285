// The highest package serial the installer has accepted on this machine, so that a package the maker
// signed earlier (a release with known faults) is not taken again after a later one. It is kept in
// HKLM\Software\RadurodiSetup, value HighestPackageSerial (REG_QWORD), where only administrators can write:
// an ordinary program of the user can neither lower it nor remove it. (An elevated program could; it
// needs no replayed package to do harm.)
#pragma once

#include <cstdint>

namespace radu {

inline constexpr wchar_t kAcceptedSerialKey[] = L"Software\\RadurodiSetup";
inline constexpr wchar_t kAcceptedSerialValue[] = L"HighestPackageSerial";
// Made with an owner and DACL of its own rather than what HKLM\Software passes on: SYSTEM and
// Administrators may do anything, Users may read.
inline constexpr wchar_t kAcceptedSerialSddl[] = L"O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";

// The serial kept, or 0 when none is kept (or what is kept is not a REG_QWORD).
uint64_t HighestAcceptedSerial();

// Keeps serial when it is higher than the one kept; never lowers it. False when it could not be written.
bool RaiseAcceptedSerial(uint64_t serial);

}  // namespace radu
