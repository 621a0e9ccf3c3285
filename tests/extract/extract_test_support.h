// Helpers shared by the extraction tests: the archives made for the run, listings of folders, file times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "extract/extract.h"

namespace radu::test {

std::wstring ArchivePath(const std::wstring& name);  // an archive written by make_archives.py

// Every file and folder below dir as relative paths; folders end with '\'.
std::set<std::wstring> ListTree(const std::wstring& dir);

uint64_t Ticks(const FILETIME& ft);
uint64_t UnixTicks(int64_t unixTime);  // FILETIME ticks of a Unix time
struct FileTimes {
    uint64_t created = 0, accessed = 0, written = 0;
};
FileTimes GetTimes(const std::wstring& path);
DWORD Attributes(const std::wstring& path);

// Runs extractPackage and gives what reached the window and the error boxes, in order: "11111 i n",
// "11110 stage", "11112", "box TEXT".
class UnpackLog : public IExtractErrorBox {
  public:
    UnpackLog();
    ~UnpackLog();
    std::vector<std::wstring> Run(const std::wstring& archive, const std::wstring& destination);
    void Show(HWND owner, const wchar_t* text) override;

  private:
    void Drain();
    HWND window;
    std::vector<std::wstring> lines;
};

// The lines for entries 0..n-1 of n.
std::vector<std::wstring> ProgressLines(int n, int upTo);

}  // namespace radu::test
