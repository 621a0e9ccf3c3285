#include "support/test_paths.h"

#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <cstdio>

#include "common/unique_handle.h"
#include "support/planted_links.h"

namespace radu::test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[MAX_PATH];
    std::swprintf(name, MAX_PATH, L"%lsradu-test-%lu-%u\\", temp, GetCurrentProcessId(), counter++);
    folder = name;
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
}

TempDir::~TempDir() {
    RemoveTree(folder);
}

bool RemoveTree(const std::wstring& path) {
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    if (IsSymbolicLink(dir))
        return RemoveLink(dir);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..")
                continue;
            std::wstring full = dir + L"\\" + n;
            // A planted link goes itself; what it leads to is not part of the tree.
            if (IsSymbolicLink(full)) {
                RemoveLink(full);
                continue;
            }
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryW(dir.c_str()) != 0;
}

bool MakeFolder(const std::wstring& path, const wchar_t* sddl) {
    UniqueLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(),
                                                              nullptr))
        return false;
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
    return CreateDirectoryW(path.c_str(), &security) != FALSE;
}

std::vector<FoundFile> ListFiles(const std::wstring& folder) {
    std::vector<FoundFile> out;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return out;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (FoundFile& f : ListFiles(folder + name + L"\\"))
                out.push_back(std::move(f));
        } else {
            out.push_back({folder + name, (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                                              found.nFileSizeLow});
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string ReadFileBytes(const std::wstring& path) {
    // Every kind of sharing is allowed: a file that another program has just written and renamed into
    // place is still held by the rename's handle (delete access) for a moment, and a reader that does not
    // share deletion would find it "empty" although all of it is there.
    std::string out;
    radu::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0)
        out.append(buf, n);
    return out;
}

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string PatternBytes(size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}

std::wstring Env(const wchar_t* name) {
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(name, buf, 1024);
    return n > 0 && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

}  // namespace radu::test
