#include "download/file_wrapper.h"

#include <windows.h>
#include <share.h>

namespace radu {

bool CFileWrapper::IsFile(const wchar_t* path) const {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* CFileWrapper::OpenForUpdate(const wchar_t* path) const {
    return ::_wfsopen(path, IsFile(path) ? L"r+b" : L"w+b", _SH_DENYNO);
}

uint32_t CFileWrapper::GetSize(const wchar_t* path) const {
    if (!IsFile(path))
        return 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow;
}

}  // namespace radu
