#include "download/socket_wrapper.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/text.h"

namespace radu {

CSocketWrapper::CSocketWrapper() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) == 0 && data.wVersion != MAKEWORD(1, 1))
        ::WSACleanup();
}

CSocketWrapper::~CSocketWrapper() {
    ::WSACleanup();
}

SOCKET CSocketWrapper::Connect(const std::wstring& host, int port, std::wstring& addressText) {
    if (host.empty() || port < 1 || port > 65535)
        return INVALID_SOCKET;

    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        std::wprintf(L"Allocating socket failed. Error: %d\n", ::WSAGetLastError());
        return INVALID_SOCKET;
    }
    // The only network time-outs of the engine: every later send or recv on this socket gives up after
    // 10 seconds without progress.
    DWORD timeout = 10000;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);

    // gethostbyname accepts dotted addresses as well as names.
    std::string name = Narrow(host);
    hostent* entry = ::gethostbyname(name.c_str());
    if (!entry) {
        std::wprintf(L"Unable to get the host name. Error: %d\n", ::WSAGetLastError());
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    std::vector<in_addr> addresses;
    for (char** a = entry->h_addr_list; a && *a; ++a) {
        in_addr addr;
        std::memcpy(&addr, *a, sizeof addr);
        addresses.push_back(addr);
    }
    if (addresses.empty()) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    // Several addresses for one name: spread the connections over them.
    std::srand(::GetTickCount());
    in_addr chosen = addresses[static_cast<size_t>(std::rand()) % addresses.size()];
    addressText = Widen(::inet_ntoa(chosen));

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = chosen;
    target.sin_port = ::htons(static_cast<u_short>(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) == SOCKET_ERROR) {
        std::wprintf(L"Connecting to the server failed. Error: %d\n", ::WSAGetLastError());
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

}  // namespace radu
