#include "support/server_connection.h"

#include <algorithm>

namespace radu::test {
namespace {

// No wait of a server thread trusts a socket's event alone: each looks at the socket again at least this
// often. A selected event is re-armed only by the call that found it missing, and a server once waited
// 20 s for a request that had come (a loaded emulated run): a lost signal is the likeliest cause.
constexpr DWORD kLookAgainMs = 50;

}  // namespace

ServerListener::ServerListener(SOCKET s, HANDLE stop)
    : listener(s), stopping(stop), incoming(WSACreateEvent()) {
    WSAEventSelect(listener, incoming, FD_ACCEPT);
}

ServerListener::~ServerListener() {
    WSAEventSelect(listener, incoming, 0);
    WSACloseEvent(incoming);
}

SOCKET ServerListener::Accept() {
    HANDLE both[2] = {stopping, incoming};
    for (;;) {
        const SOCKET s = accept(listener, nullptr, nullptr);
        if (s != INVALID_SOCKET || WSAGetLastError() != WSAEWOULDBLOCK)
            return s;
        const DWORD woke = WaitForMultipleObjects(2, both, FALSE, kLookAgainMs);
        if (woke != WAIT_OBJECT_0 + 1 && woke != WAIT_TIMEOUT)
            return INVALID_SOCKET;
        WSAResetEvent(incoming);  // accept() re-arms the signal it found missing
    }
}

ServerConnection::ServerConnection(SOCKET s, HANDLE stop, DWORD quietLimitMs)
    : socket(s), stopping(stop), quietLimit(quietLimitMs), ready(WSACreateEvent()) {
    // An accepted socket has its listener's selection; this one replaces it.
    WSAEventSelect(socket, ready, FD_READ | FD_WRITE | FD_CLOSE);
}

ServerConnection::~ServerConnection() {
    WSAEventSelect(socket, ready, 0);
    WSACloseEvent(ready);
}

int ServerConnection::Receive(char* buffer, int size) {
    const DWORD since = GetTickCount();
    for (;;) {
        const int got = recv(socket, buffer, size, 0);
        if (got >= 0)
            return got;
        if (WSAGetLastError() != WSAEWOULDBLOCK || !Await(since))
            return -1;
    }
}

bool ServerConnection::SendAll(const char* data, size_t size) {
    size_t sent = 0;
    DWORD since = GetTickCount();
    while (sent < size) {
        const int n = send(socket, data + sent, static_cast<int>(std::min<size_t>(size - sent, 65536)), 0);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            since = GetTickCount();
        } else if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !Await(since)) {
            return false;
        }
    }
    return true;
}

void ServerConnection::Finish() {
    shutdown(socket, SD_SEND);
    char sink[4096];
    while (Receive(sink, sizeof sink) > 0) {
    }
}

// Waits until the socket may have changed (recv() and send() re-arm the signal they found missing), or
// until it is time to look again; false when the server stops or the client has been quiet since `since`
// for too long.
bool ServerConnection::Await(DWORD since) {
    const DWORD quiet = GetTickCount() - since;
    if (quietLimit != INFINITE && quiet >= quietLimit)
        return false;
    const DWORD slice = std::min(kLookAgainMs, quietLimit - quiet);  // INFINITE less any tick count is long
    HANDLE both[2] = {stopping, ready};
    const DWORD woke = WaitForMultipleObjects(2, both, FALSE, slice);
    if (woke == WAIT_OBJECT_0 + 1) {
        WSANETWORKEVENTS events;
        WSAEnumNetworkEvents(socket, ready, &events);  // resets the event
    }
    return woke == WAIT_OBJECT_0 + 1 || woke == WAIT_TIMEOUT;
}

}  // namespace radu::test
