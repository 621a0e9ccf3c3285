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
    // and is used as it is; the descriptor applies to a key made here.
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
    UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, &security, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), kAcceptedSerialValue, 0, REG_QWORD,
                            reinterpret_cast<const BYTE*>(&serial), sizeof serial) == ERROR_SUCCESS;
}

}  // namespace radu
