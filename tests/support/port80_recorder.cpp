#include "support/port80_recorder.h"

#include <cstdlib>

#include "support/server_connection.h"
#include "support/test_threads.h"

namespace radu::test {

std::string RecordedRequest::Header(const std::string& name) const {
    const std::string key = "\r\n" + name + ": ";
    size_t at = head.find(key);
    if (at == std::string::npos)
        return {};
    size_t start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

Port80Recorder::Port80Recorder(std::string reply) : replyText(std::move(reply)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(80);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 8) != 0) {
        bindFailure = WSAGetLastError();
        closesocket(s);
        return;
    }
    listener = s;
    stopping = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    server = std::thread([this] { Serve(); });
}

Port80Recorder::~Port80Recorder() {
    if (listener != INVALID_SOCKET) {
        SetEvent(stopping);  // ends every wait of the server's thread
        server.join();
        closesocket(listener);
        CloseHandle(stopping);
    }
    WSACleanup();
}

std::vector<RecordedRequest> Port80Recorder::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

void Port80Recorder::Serve() {
    NameThread(GetCurrentThread(), L"port 80 recorder");
    ServerListener incoming(listener, stopping);
    for (SOCKET s; (s = incoming.Accept()) != INVALID_SOCKET; closesocket(s)) {
        // One client at a time: one that goes quiet does not hold the others for ever.
        ServerConnection connection(s, stopping, 30000);
        RecordedRequest request;
        std::string data;
        char buf[4096];
        size_t headEnd = std::string::npos;
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            int n = connection.Receive(buf, sizeof buf);
            if (n <= 0)
                break;
            data.append(buf, static_cast<size_t>(n));
        }
        if (headEnd != std::string::npos) {
            request.head = data.substr(0, headEnd + 4);
            const size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
            request.body = data.substr(headEnd + 4);
            while (request.body.size() < length) {
                int n = connection.Receive(buf, sizeof buf);
                if (n <= 0)
                    break;
                request.body.append(buf, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                requests.push_back(request);
            }
            connection.SendAll(replyText.data(), replyText.size());
        }
        connection.Finish();
    }
}

}  // namespace radu::test
