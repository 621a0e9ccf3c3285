// Addresses as a server may send them in a redirect, taken apart, and the file name the engine would
// write judged: whatever the text, the parts keep their contracts, and a name judged plain stays in its
// folder.
#include <cstdint>
#include <cwctype>
#include <string>
#include <string_view>

#include "common/file_names.h"
#include "download/url.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

bool AllDigits(std::wstring_view s) {
    if (s.empty())
        return false;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

// What Windows would not read as one plain name in its folder, judged independently of the engine.
bool LeavesItsFolder(std::wstring_view name) {
    if (name.find_first_of(L"\\/:") != std::wstring_view::npos)
        return true;
    return name.find_first_not_of(L". ") == std::wstring_view::npos;  // ".", "..", ". ." and the like
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    // Two bytes a UTF-16 unit, little end first: every unit value can occur.
    std::wstring url;
    for (size_t i = 0; i + 1 < size; i += 2)
        url += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));

    const UrlParts parts = ParseUrl(url);
    FUZZ_CHECK(parts.port >= 0 && parts.port <= 65535);
    FUZZ_CHECK(parts.fileName.find_first_of(L"/?") == std::wstring::npos);
    FUZZ_CHECK(parts.host.find(L'/') == std::wstring::npos);
    if (!parts.host.empty())
        FUZZ_CHECK(!parts.path.empty() && parts.path[0] == L'/');
    // The address proper: blanks and everything up to the first scheme gone.
    std::wstring text = url;
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    const size_t scheme = text.find(L"http://");
    if (scheme != std::wstring::npos)
        text.erase(0, scheme + 7);
    // A port other than 80 was written out in digits, and only in digits.
    const size_t slash = text.find(L'/');
    if (parts.port != 80 && slash != std::wstring::npos) {
        const std::wstring hostPart = text.substr(0, slash);
        const size_t colon = hostPart.rfind(L':');
        FUZZ_CHECK(colon != std::wstring::npos);
        if (parts.port != 0)
            FUZZ_CHECK(AllDigits(std::wstring_view(hostPart).substr(colon + 1)));
    }
    // The file name comes before any query.
    FUZZ_CHECK(text.substr(0, text.find(L'?')).find(parts.fileName) != std::wstring::npos);

    if (IsPlainFileName(parts.fileName)) {
        FUZZ_CHECK(!LeavesItsFolder(parts.fileName));
        FUZZ_CHECK(!IsDeviceName(parts.fileName));
        for (wchar_t c : parts.fileName)
            FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    }
    return 0;
}
