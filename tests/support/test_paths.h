// Folders and files for tests: a fresh folder under the prefix's temporary folder per test, removed with
// everything in it at the end; helpers to read and write whole files.
#pragma once

#include <string>
#include <vector>

namespace radu::test {

class TempDir {
  public:
    TempDir();  // %TEMP%\radu-test-<unique>\ (the path ends with a backslash)
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return folder; }
    std::wstring operator/(const std::wstring& name) const { return folder + name; }

  private:
    std::wstring folder;
};

bool RemoveTree(const std::wstring& path);
// Creates the folder with the security descriptor in SDDL form; true when it was created.
bool MakeFolder(const std::wstring& path, const wchar_t* sddl);
// Every file below `folder` (whose path ends with a backslash), with its full path and size.
struct FoundFile {
    std::wstring path;
    unsigned long long size;
};
std::vector<FoundFile> ListFiles(const std::wstring& folder);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);  // empty when missing
bool FileExists(const std::wstring& path);            // an existing file, not a folder
bool DirExists(const std::wstring& path);
// Bytes 0..n-1 of a deterministic pseudo-random stream (differs from one seed to another).
std::string PatternBytes(size_t n, unsigned seed = 1);
std::wstring Env(const wchar_t* name);
// ASCII text (addresses, digests) as UTF-16.
inline std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace radu::test
