// Response headers as any server may send them: the status, the fields by name, Location, Content-Range,
// Content-Length. Whatever the bytes, the readers keep their contracts, and a field is only ever found at
// the start of a header line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "download/http_header.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The value of the first line after the status line that starts with `name` and a colon, by a plain
// scan of the lines: what the reader must agree with.
std::optional<std::string> FirstField(std::string_view header, std::string_view name) {
    size_t at = header.find("\r\n");
    while (at != std::string_view::npos) {
        const size_t start = at + 2, eol = header.find("\r\n", start);
        if (eol == std::string_view::npos)
            return std::nullopt;
        std::string_view line = header.substr(start, eol - start);
        bool same = line.size() > name.size() && line[name.size()] == ':';
        for (size_t i = 0; same && i < name.size(); ++i)
            same = Lower(line[i]) == Lower(name[i]);
        if (same) {
            std::string_view v = line.substr(name.size() + 1);
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
                v.remove_prefix(1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
                v.remove_suffix(1);
            return std::string(v);
        }
        at = eol;
    }
    return std::nullopt;
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    const std::string header(reinterpret_cast<const char*>(data), size);

    FUZZ_CHECK(HeaderComplete(header) == (size >= 4 && header.compare(size - 4, 4, "\r\n\r\n") == 0));

    const int status = StatusCode(header);
    FUZZ_CHECK(status >= 0 && status <= 999);
    if (status != 0) {
        const std::string line = header.substr(0, header.find("\r\n"));
        FUZZ_CHECK(line.rfind("HTTP/", 0) == 0);
        const size_t space = line.find(' ');
        FUZZ_CHECK(space != std::string::npos && std::stoi(line.substr(space + 1, 3)) == status);
        FUZZ_CHECK(line.size() == space + 4 || line[space + 4] == ' ');  // the code ends the line or a space
    }

    for (std::string_view name : {"Location", "Content-Range", "Content-Length", "X-Filler"}) {
        const std::optional<std::string> field = HeaderField(header, name);
        const std::optional<std::string> expected = FirstField(header, name);
        FUZZ_CHECK(field.has_value() == expected.has_value());
        if (field) {
            FUZZ_CHECK(*field == *expected);
            FUZZ_CHECK(field->find("\r\n") == std::string::npos);
        }
    }

    if (const std::optional<std::string> location = ParseLocation(header)) {
        FUZZ_CHECK(!location->empty());
        for (char c : *location)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);  // nothing that splits a line
    }
    if (const std::optional<ContentRange> range = ParseContentRange(header)) {
        FUZZ_CHECK(range->first <= range->last);
        FUZZ_CHECK(range->last < 0x80000000u && range->total < 0x80000000u);
    }
    FUZZ_CHECK(ParseContentLength(header) < 0x80000000u);
    FUZZ_CHECK(ParseContentSize(header) < 0x80000000u);
    return 0;
}
