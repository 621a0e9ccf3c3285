// An HTTP listener on 127.0.0.1:80 standing in for the statistics server: it records every request, head
// and body (by its Content-Length), and answers each with one fixed reply.
#pragma once

#include <winsock2.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace radu::test {

struct RecordedRequest {
    std::string head;  // request line and headers, up to and including the blank line
    std::string body;
    std::string Header(const std::string& name) const;  // value of the first header of that name
};

class Port80Recorder {
  public:
    explicit Port80Recorder(std::string reply);
    ~Port80Recorder();
    Port80Recorder(const Port80Recorder&) = delete;
    Port80Recorder& operator=(const Port80Recorder&) = delete;

    bool listening() const { return listener != INVALID_SOCKET; }
    int bindError() const { return bindFailure; }
    std::vector<RecordedRequest> Requests() const;

  private:
    void Serve();

    std::string replyText;
    SOCKET listener = INVALID_SOCKET;
    HANDLE stopping = nullptr;
    int bindFailure = 0;
    mutable std::mutex mutex;
    std::vector<RecordedRequest> requests;
    std::thread server;
};

}  // namespace radu::test
