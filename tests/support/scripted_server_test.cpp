// The tests' scripted server ends when it is destroyed, whatever its clients do: a test program's
// tear-down must not wait for a client that keeps its connection open.
#include <gtest/gtest.h>

#include <winsock2.h>

#include "support/scripted_http_server.h"

namespace radu::test {
namespace {

SOCKET Connect(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return s;
}

// Under Wine a blocked recv() does not return when its socket is shut down, only when the client closes
// or the socket is closed: a server that ended its connections that way waited for its clients.
TEST(ScriptedServer, EndsWhileItsClientsKeepTheirConnectionsOpen) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET held, halfHeader, answered;
    const DWORD start = ::GetTickCount();
    {
        ScriptedHttpServer server([](const HttpRequest& request) {
            if (request.path == "/hold") {
                HttpReply reply;
                reply.hold = true;
                return reply;
            }
            return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 2\r\n", "ok");
        });
        ASSERT_TRUE(server.listening());
        held = Connect(server.port());
        halfHeader = Connect(server.port());
        answered = Connect(server.port());
        const char hold[] = "GET /hold HTTP/1.1\r\n\r\n", half[] = "GET /half HTTP/1.1\r\n",
                   full[] = "GET /ok HTTP/1.1\r\n\r\n";
        send(held, hold, sizeof hold - 1, 0);
        send(halfHeader, half, sizeof half - 1, 0);
        send(answered, full, sizeof full - 1, 0);
        char reply[64];
        EXPECT_GT(recv(answered, reply, sizeof reply, 0), 0);  // answered; the server now drains
        while (server.Requests().size() < 2) {
            ::Sleep(10);
        }
    }
    EXPECT_LT(::GetTickCount() - start, 10000u);
    closesocket(held);
    closesocket(halfHeader);
    closesocket(answered);
    WSACleanup();
}

}  // namespace
}  // namespace radu::test
