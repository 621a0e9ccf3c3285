#include "app/accepted_serial.h"

#include <windows.h>
#include <sddl.h>

#include "common/unique_handle.h"

namespace radu {

uint64_t HighestAcceptedSerial() {
    uint64_t serial = 0;
    DWORD size = sizeof serial;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, kAcceptedSerialValue, RRF_RT_REG_QWORD,
                       nullptr, &serial, &size) != ERROR_SUCCESS)
        return 0;
    return serial;
}

bool RaiseAcceptedSerial(uint64_t serial) {
    if (serial <= HighestAcceptedSerial())
        return true;
    UniqueLocalMemory descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAcceptedSerialSddl, SDDL_REVISION_1,
                                                                descriptor.put(), nullptr))
        return false;
    // Only administrators can make a key below HKLM\Software, so one that is already there was made by one
    // and is used as it is; a key made here gets the descriptor. Wine 8 ignores the security attributes
    // of RegCreateKeyExW (a key made with them read back with its default DACL), so the descriptor is
    // set through the new key's handle as well, before the value goes in.
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
    UniqueRegKey key;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | WRITE_DAC | WRITE_OWNER, &security, key.put(),
                          &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition == REG_CREATED_NEW_KEY &&
        ::RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            descriptor.get()) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), kAcceptedSerialValue, 0, REG_QWORD,
                            reinterpret_cast<const BYTE*>(&serial), sizeof serial) == ERROR_SUCCESS;
}

}  // namespace radu
