// radtool fetch URL DEST_FOLDER [--single]: runs one download the way the installer does (no overwriting,
// no extension mode), printing every progress report to standard error and "result=N" last.
#include <cstdio>
#include <cwchar>

#include "download/download.h"
#include "tools/commands.h"

namespace {

class PrintingCallBack : public radu::IDownloadCallBack {
  public:
    int OnProgress(unsigned totalSize, int percent, unsigned speed, int) override {
        std::fwprintf(stderr, L"%3d%% %6u KiB/s (of %u bytes)\n", percent, speed, totalSize);
        std::fflush(stderr);  // a pipe would otherwise get every line at exit
        return radu::kProgressGoOn;
    }
    void OnTargetPath(const wchar_t* path, int) override { std::fwprintf(stderr, L"target %ls\n", path); }
    void OnServerAddress(const wchar_t*, int) override {}  // user data is 0: never called
};

}  // namespace

namespace radtool {

int Fetch(int argc, wchar_t** argv) {
    bool single = argc == 3 && std::wcscmp(argv[2], L"--single") == 0;
    if (argc != 2 && !single) {
        std::fwprintf(stderr, L"usage: radtool fetch URL DEST_FOLDER [--single]\n");
        return 2;
    }
    PrintingCallBack callback;
    int result = radu::DownloadFile(argv[0], argv[1], &callback, 0, single ? FALSE : TRUE, FALSE, FALSE);
    std::fflush(stderr);
    std::wprintf(L"result=%d\n", result);
    std::fflush(stdout);
    return result;
}

}  // namespace radtool
