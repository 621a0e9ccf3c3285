#include "support/server_connection.h"

#include <algorithm>

namespace radu::test {

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
        if (s != INVALID_SOCKET || WSAGetLastError() != WSAEWOULDBLOCK ||
            WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return s;
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
    for (;;) {
        const int got = recv(socket, buffer, size, 0);
        if (got >= 0)
            return got;
        if (WSAGetLastError() != WSAEWOULDBLOCK || !Await())
            return -1;
    }
}

bool ServerConnection::SendAll(const char* data, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const int n = send(socket, data + sent, static_cast<int>(std::min<size_t>(size - sent, 65536)), 0);
        if (n > 0)
            sent += static_cast<size_t>(n);
        else if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !Await())
            return false;
    }
    return true;
}

void ServerConnection::Finish() {
    shutdown(socket, SD_SEND);
    char sink[4096];
    while (Receive(sink, sizeof sink) > 0) {
    }
}

// Waits until the socket may have changed (recv() and send() re-arm the signal they found missing); false
// when the server stops or the client stays quiet too long.
bool ServerConnection::Await() {
    HANDLE both[2] = {stopping, ready};
    if (WaitForMultipleObjects(2, both, FALSE, quietLimit) != WAIT_OBJECT_0 + 1)
        return false;
    WSANETWORKEVENTS events;
    WSAEnumNetworkEvents(socket, ready, &events);  // resets the event
    return true;
}

}  // namespace radu::test
