// Keeps Windows Sockets started for the life of one download and opens its TCP connections.
#pragma once

#include <winsock2.h>

#include <string>

namespace radu {

class CSocketWrapper {
  public:
    CSocketWrapper();   // WSAStartup(1.1); any other negotiated version is given back at once
    ~CSocketWrapper();  // one WSACleanup, whatever the start-up gave
    CSocketWrapper(const CSocketWrapper&) = delete;
    CSocketWrapper& operator=(const CSocketWrapper&) = delete;

    // A blocking IPv4 connection with 10-second send and receive time-outs, or INVALID_SOCKET. Of the
    // host's addresses, a random one is tried first, then the others in their order until one connects.
    // addressText receives the dotted address last tried; it stays unchanged when the name does not
    // resolve. The caller closes the socket.
    SOCKET Connect(const std::wstring& host, int port, std::wstring& addressText);
};

}  // namespace radu
