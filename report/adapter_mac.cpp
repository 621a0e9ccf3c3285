#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>

#include "report/report.h"

namespace radu {

int FormatAdapterMac(char* destination) {
    // Room for five adapter records; a longer list is not read at all.
    constexpr ULONG kListBytes = 3240;
    alignas(IP_ADAPTER_INFO) unsigned char list[kListBytes];
    ULONG size = kListBytes;
    if (::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(list), &size) != ERROR_SUCCESS)
        return 0;
    const BYTE* a = reinterpret_cast<const IP_ADAPTER_INFO*>(list)->Address;
    std::snprintf(destination, 19, "%02X-%02X-%02X-%02X-%02X-%02X\n", a[0], a[1], a[2], a[3], a[4], a[5]);
    return 0;
}

}  // namespace radu
