// Captures what the process writes to its standard output (file descriptor 1) while it lives.
#pragma once

#include <io.h>
#include <cstdio>
#include <string>

#include "support/test_paths.h"

namespace radu::test {

class StdoutCapture {
  public:
    StdoutCapture() : file_(dir_ / L"stdout.txt") {
        std::fflush(stdout);
        saved_ = _dup(1);
        std::FILE* f = _wfopen(file_.c_str(), L"w");
        _dup2(_fileno(f), 1);
        std::fclose(f);
    }
    ~StdoutCapture() { Finish(); }

    std::string Finish() {
        if (saved_ >= 0) {
            std::fflush(stdout);
            _dup2(saved_, 1);
            _close(saved_);
            saved_ = -1;
            text_ = ReadFileBytes(file_);
        }
        return text_;
    }

  private:
    TempDir dir_;
    std::wstring file_;
    int saved_ = -1;
    std::string text_;
};

}  // namespace radu::test
