// The file operations of a segment attempt: part files are C run-time streams opened with shared access.
#pragma once

#include <cstdint>
#include <cstdio>

namespace radu {

class CFileWrapper {
  public:
    virtual ~CFileWrapper() = default;

    // An existing path that is not a folder.
    bool IsFile(const wchar_t* path) const;
    // "r+b" when the file exists, else "w+b"; other processes may read and write it meanwhile. Null on
    // failure.
    std::FILE* OpenForUpdate(const wchar_t* path) const;
    // Size of an existing file (32-bit), 0 when there is none.
    uint32_t GetSize(const wchar_t* path) const;
};

}  // namespace radu
