// A download callback that records what the engine reports and can answer a stop.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "download/download.h"

namespace radu::test {

class RecordingCallBack : public IDownloadCallBack {
  public:
    struct Progress {
        unsigned total;
        int percent;
        unsigned speed;
        int userData;
    };

    // Decides the answer to each progress call; by default the download goes on.
    std::function<int(const Progress&)> answer;

    int OnProgress(unsigned totalSize, int percent, unsigned speed, int userData) override {
        Progress p{totalSize, percent, speed, userData};
        std::lock_guard<std::mutex> lock(mutex);
        progress.push_back(p);
        return answer ? answer(p) : 0;
    }
    void OnTargetPath(const wchar_t* path, int userData) override {
        std::lock_guard<std::mutex> lock(mutex);
        targets.push_back(path);
        targetUserData = userData;
    }
    void OnServerAddress(const wchar_t* address, int userData) override {
        std::lock_guard<std::mutex> lock(mutex);
        addresses.push_back(address);
        addressUserData = userData;
    }

    std::mutex mutex;
    std::vector<Progress> progress;
    std::vector<std::wstring> targets;
    std::vector<std::wstring> addresses;
    int targetUserData = -1;
    int addressUserData = -1;
};

}  // namespace radu::test
