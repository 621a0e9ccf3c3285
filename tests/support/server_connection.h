// The sockets of the tests' servers, non-blocking, whose every wait for a client also waits for the
// server's stop event. A server's tear-down must not depend on its clients: under Wine a blocked recv()
// or accept() does not return when its socket is shut down, only when the client closes, and a client
// may keep its connection open for as long as it likes (a program still running, or a connection the
// system keeps for one that was killed).
#pragma once

#include <winsock2.h>

#include <cstddef>

namespace radu::test {

class ServerListener {
  public:
    ServerListener(SOCKET listener, HANDLE stop);
    ~ServerListener();
    ServerListener(const ServerListener&) = delete;
    ServerListener& operator=(const ServerListener&) = delete;

    // The next connection, or INVALID_SOCKET when the server stops or the listener fails.
    SOCKET Accept();

  private:
    SOCKET listener;
    HANDLE stopping;
    HANDLE incoming;
};

class ServerConnection {
  public:
    // A client that sends nothing and reads nothing for quietLimitMs counts as gone.
    ServerConnection(SOCKET s, HANDLE stop, DWORD quietLimitMs = INFINITE);
    ~ServerConnection();  // leaves the socket open: its owner closes it
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Bytes received (0 at the client's end of sending), or -1 on a failure, when the client has been quiet
    // too long, or when the server stops.
    int Receive(char* buffer, int size);
    // False when the data could not all be sent.
    bool SendAll(const char* data, size_t size);
    // Ends sending, then reads until the client closes its side (so that it reads all that was sent
    // before the socket goes) or the server stops.
    void Finish();

  private:
    bool Await(DWORD since);

    SOCKET socket;
    HANDLE stopping;
    DWORD quietLimit;
    HANDLE ready;
};

}  // namespace radu::test
