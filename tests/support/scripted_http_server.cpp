#include "support/scripted_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "support/server_connection.h"
#include "support/test_threads.h"

namespace radu::test {

std::string HttpRequest::Header(const std::string& name) const {
    std::string key = "\r\n" + name + ":";
    size_t at = raw.find(key);
    if (at == std::string::npos)
        return {};
    size_t start = at + key.size();
    size_t end = raw.find("\r\n", start);
    std::string v = raw.substr(start, end - start);
    v.erase(0, v.find_first_not_of(" \t"));
    v.erase(v.find_last_not_of(" \t") + 1);
    return v;
}

bool HttpRequest::Range(long long* first, long long* last) const {
    std::string v = Header("Range");
    return std::sscanf(v.c_str(), "bytes=%lld-%lld", first, last) == 2;
}

HttpReply HttpReply::Status(const std::string& statusLine, const std::string& headers,
                            const std::string& body) {
    HttpReply r;
    r.head = statusLine + "\r\n" + headers + "\r\n";
    r.body = body;
    return r;
}

HttpReply ServeContent(const HttpRequest& request, const std::string& content) {
    long long first = 0, last = 0;
    if (request.Range(&first, &last)) {
        long long size = static_cast<long long>(content.size());
        if (first >= size)
            return HttpReply::Status("HTTP/1.1 416 Range Not Satisfiable");
        last = std::min(last, size - 1);
        char headers[160];
        std::snprintf(headers, sizeof headers,
                      "Content-Range: bytes %lld-%lld/%lld\r\nContent-Length: %lld\r\n", first, last, size,
                      last - first + 1);
        return HttpReply::Status(
            "HTTP/1.1 206 Partial Content", headers,
            content.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1)));
    }
    return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(content.size()) + "\r\n",
                             content);
}

ScriptedHttpServer::ScriptedHttpServer(Handler handler, int port) : respond(std::move(handler)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    stopping = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (port != 0) {
        // A fixed port is taken again right after the last server on it: its closed connections linger.
        BOOL reuse = TRUE;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(listener, 64) == 0) {
        int len = sizeof addr;
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        listenPort = ntohs(addr.sin_port);
    }
    acceptor = std::thread([this] { AcceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    // Every wait of the server's threads also waits for this, so they all end now, whatever the clients
    // do: a client that keeps its connection open (a program that is still running, or a connection the
    // system keeps for a program that was killed) holds nothing up.
    SetEvent(stopping);
    acceptor.join();
    closesocket(listener);
    for (auto& t : threads)
        t.join();
    CloseHandle(stopping);
    WSACleanup();
}

std::string ScriptedHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(listenPort) + path;
}

std::vector<HttpRequest> ScriptedHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

bool ScriptedHttpServer::Wait(DWORD ms) {
    return WaitForSingleObject(stopping, ms) == WAIT_TIMEOUT;
}

void ScriptedHttpServer::AcceptLoop() {
    NameThread(GetCurrentThread(), L"scripted server acceptor");
    ServerListener incoming(listener, stopping);
    for (SOCKET s; (s = incoming.Accept()) != INVALID_SOCKET;) {
        std::lock_guard<std::mutex> lock(mutex);
        ++connections;
        threads.emplace_back([this, s] { Serve(s); });
    }
}

void ScriptedHttpServer::Serve(SOCKET s) {
    NameThread(GetCurrentThread(), L"scripted server connection");
    ServerConnection connection(s, stopping);
    HttpRequest request;
    char c;
    while (request.raw.size() < 4 || request.raw.compare(request.raw.size() - 4, 4, "\r\n\r\n") != 0) {
        if (connection.Receive(&c, 1) != 1)
            break;
        request.raw.push_back(c);
    }
    bool complete =
        request.raw.size() >= 4 && request.raw.compare(request.raw.size() - 4, 4, "\r\n\r\n") == 0;
    if (complete) {
        size_t sp1 = request.raw.find(' ');
        size_t sp2 = request.raw.find(' ', sp1 + 1);
        if (sp1 != std::string::npos && sp2 != std::string::npos)
            request.path = request.raw.substr(sp1 + 1, sp2 - sp1 - 1);
        {
            std::lock_guard<std::mutex> lock(mutex);
            request.index = static_cast<int>(requests.size());
            requests.push_back(request);
        }
        HttpReply reply = respond(request);
        if (reply.hold) {
            Wait(INFINITE);
        } else if (reply.delayMs == 0 || Wait(reply.delayMs)) {
            const std::string all = reply.head + reply.body;
            const size_t total = std::min(all.size(), reply.cutAfter);
            size_t sent = std::min(total, reply.trickleAfter);
            bool going = connection.SendAll(all.data(), sent);
            for (; going && sent < total && Wait(reply.trickleEveryMs); ++sent)
                going = connection.SendAll(all.data() + sent, 1);
        }
    }
    connection.Finish();
    closesocket(s);
}

}  // namespace radu::test
