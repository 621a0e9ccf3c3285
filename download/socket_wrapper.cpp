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

namespace {

// A blocking IPv4 socket with the engine's time-outs, or INVALID_SOCKET.
SOCKET NewSocket() {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        std::wprintf(L"Allocating socket failed. Error: %d\n", ::WSAGetLastError());
        return INVALID_SOCKET;
    }
    // Every later send or recv on this socket gives up after 10 seconds without progress.
    DWORD timeout = 10000;
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return s;
}

}  // namespace

SOCKET CSocketWrapper::Connect(const std::wstring& host, int port, std::wstring& addressText) {
    if (host.empty() || port < 1 || port > 65535)
        return INVALID_SOCKET;

    // gethostbyname accepts dotted addresses as well as names.
    std::string name = Narrow(host);
    hostent* entry = ::gethostbyname(name.c_str());
    if (!entry) {
        std::wprintf(L"Unable to get the host name. Error: %d\n", ::WSAGetLastError());
        return INVALID_SOCKET;
    }
    std::vector<in_addr> addresses;
    for (char** a = entry->h_addr_list; a && *a; ++a) {
        in_addr addr;
        std::memcpy(&addr, *a, sizeof addr);
        addresses.push_back(addr);
    }
    if (addresses.empty())
        return INVALID_SOCKET;
    // Several addresses for one name: spread the connections over them, starting at a random one. One that
    // cannot be reached (a server of the name that is down) is passed over for the next, in the order the
    // name gave them, so that every connection reaches a live server when the name has one.
    std::srand(::GetTickCount());
    const size_t start = static_cast<size_t>(std::rand()) % addresses.size();
    for (size_t i = 0; i < addresses.size(); ++i) {
        const in_addr chosen = addresses[(start + i) % addresses.size()];
        addressText = Widen(::inet_ntoa(chosen));
        SOCKET s = NewSocket();
        if (s == INVALID_SOCKET)
            return INVALID_SOCKET;
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr = chosen;
        target.sin_port = ::htons(static_cast<u_short>(port));
        if (::connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) != SOCKET_ERROR)
            return s;
        std::wprintf(L"Connecting to the server failed. Error: %d\n", ::WSAGetLastError());
        ::closesocket(s);
    }
    return INVALID_SOCKET;
}

}  // namespace radu
