// Captures what the process writes to its standard output (file descriptor 1) while it lives.
#pragma once

#include <io.h>
#include <cstdio>
#include <string>

#include "support/test_paths.h"

namespace radu::test {

class StdoutCapture {
  public:
    StdoutCapture() : file(dir / L"stdout.txt") {
        std::fflush(stdout);
        saved = _dup(1);
        std::FILE* f = _wfopen(file.c_str(), L"w");
        _dup2(_fileno(f), 1);
        std::fclose(f);
    }
    ~StdoutCapture() { Finish(); }

    std::string Finish() {
        if (saved >= 0) {
            std::fflush(stdout);
            _dup2(saved, 1);
            _close(saved);
            saved = -1;
            text = ReadFileBytes(file);
        }
        return text;
    }

  private:
    TempDir dir;
    std::wstring file;
    int saved = -1;
    std::string text;
};

}  // namespace radu::test
