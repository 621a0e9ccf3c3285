#include "support/port80_recorder.h"

#include <cstdlib>

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
    server = std::thread([this] { Serve(); });
}

Port80Recorder::~Port80Recorder() {
    if (listener != INVALID_SOCKET) {
        closesocket(listener);  // ends accept()
        server.join();
    }
    WSACleanup();
}

std::vector<RecordedRequest> Port80Recorder::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

void Port80Recorder::Serve() {
    for (;;) {
        SOCKET s = accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET)
            return;
        DWORD timeoutMs = 30000;  // a client that goes quiet does not hold the test for ever
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
        RecordedRequest request;
        std::string data;
        char buf[4096];
        size_t headEnd = std::string::npos;
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            data.append(buf, static_cast<size_t>(n));
        }
        if (headEnd != std::string::npos) {
            request.head = data.substr(0, headEnd + 4);
            const size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
            request.body = data.substr(headEnd + 4);
            while (request.body.size() < length) {
                int n = recv(s, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.body.append(buf, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                requests.push_back(request);
            }
            send(s, replyText.data(), static_cast<int>(replyText.size()), 0);
        }
        shutdown(s, SD_SEND);
        while (recv(s, buf, sizeof buf, 0) > 0) {
        }
        closesocket(s);
    }
}

}  // namespace radu::test
