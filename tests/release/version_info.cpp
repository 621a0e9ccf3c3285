// Prints what a program's file properties show, read with the same calls the shell uses: the fixed file
// information's version numbers and the texts of the first translation, one "Name=Value" line each, in UTF-8.
//   version_info.exe PROGRAM
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUtf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    std::fputs(out.c_str(), stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: version_info PROGRAM\n", stderr);
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(argv[1], &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !::GetFileVersionInfoW(argv[1], 0, size, data.data())) {
        std::fprintf(stderr, "no version information (error %lu)\n", ::GetLastError());
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        const auto print = [](const char* name, DWORD ms, DWORD ls) {
            std::printf("%s=%u.%u.%u.%u\n", name, HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
        };
        print("FILEVERSION", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        print("PRODUCTVERSION", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    }
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        length < sizeof(Translation)) {
        std::fputs("no translation\n", stderr);
        return 1;
    }
    wchar_t block[32];
    std::swprintf(block, 32, L"%04x%04x", translation->language, translation->codePage);
    PrintUtf8(L"Translation=" + std::wstring(block) + L"\n");
    for (const wchar_t* name : {L"ProductName", L"ProductVersion", L"FileVersion", L"FileDescription",
                                L"CompanyName", L"LegalCopyright", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
        if (::VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value)
            PrintUtf8(std::wstring(name) + L"=" + value + L"\n");
    }
    return 0;
}
