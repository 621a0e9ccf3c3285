// A scripted HTTP server on 127.0.0.1 for tests: a Winsock listener thread that records the exact bytes
// of every request header and answers each one with whatever the test's handler returns, including
// wrong status lines, delays, cut connections and silence.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace radu::test {

struct HttpRequest {
    std::string raw;   // exact bytes up to and including the blank line
    std::string path;  // second word of the request line
    int index = 0;     // 0 for the first request the server saw

    // Value of the first header with this name (case-sensitive), without the blanks around it.
    std::string Header(const std::string& name) const;
    // "Range: bytes=A-B": true and A, B when present.
    bool Range(long long* first, long long* last) const;
};

struct HttpReply {
    std::string head;  // sent as it stands: status line and header lines, blank line included
    std::string body;
    DWORD delayMs = 0;      // wait before answering (not a sleep: ends early when the server stops)
    size_t cutAfter = ~0u;  // close the connection after this many bytes of head + body
    bool hold = false;      // never answer; keep the connection open until the server stops
    // After this many bytes of head + body, the rest goes out one byte every trickleEveryMs (until the
    // server stops), as from a server or middlebox that stalls without closing.
    size_t trickleAfter = ~0u;
    DWORD trickleEveryMs = 2000;

    static HttpReply Status(const std::string& statusLine, const std::string& headers = "",
                            const std::string& body = "");
};

// A reply serving `content` the way a file server does: 206 with Content-Range for a Range request
// (the end clamped to the content), 200 with Content-Length otherwise.
HttpReply ServeContent(const HttpRequest& request, const std::string& content);

class ScriptedHttpServer {
  public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    // Listens on a free port, or on `port` when one is given (false from listening() when that is taken).
    explicit ScriptedHttpServer(Handler handler, int port = 0);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    bool listening() const { return listenPort != 0; }
    int port() const { return listenPort; }
    std::string Url(const std::string& path) const;  // "http://127.0.0.1:PORT" + path
    std::vector<HttpRequest> Requests() const;
    int ConnectionCount() const { return connections.load(); }

  private:
    void AcceptLoop();
    void Serve(SOCKET s);
    bool Wait(DWORD ms);  // false when the server is stopping

    Handler respond;
    SOCKET listener = INVALID_SOCKET;
    int listenPort = 0;
    HANDLE stopping = nullptr;
    std::atomic<int> connections{0};
    mutable std::mutex mutex;
    std::vector<HttpRequest> requests;
    std::vector<std::thread> threads;
    std::thread acceptor;
};

}  // namespace radu::test
