#include "download/http_header.h"

#include "common/plain_text.h"

namespace radu {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    return TrimIf(s, IsBlank);
}

// Decimal digits only, below 2^31; none otherwise.
std::optional<uint32_t> Number(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
        if (n >= 0x80000000ull)
            return std::nullopt;
    }
    return static_cast<uint32_t>(n);
}

}  // namespace

bool HeaderComplete(std::string_view header) {
    return header.size() >= 4 && header.substr(header.size() - 4) == "\r\n\r\n";
}

int StatusCode(std::string_view header) {
    const size_t eol = header.find(kLineEnd);
    if (eol == std::string_view::npos)
        return 0;
    std::string_view line = header.substr(0, eol);
    if (line.substr(0, 5) != "HTTP/")
        return 0;
    const size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return 0;
    std::string_view code = line.substr(space + 1);
    if (code.size() < 3 || (code.size() > 3 && code[3] != ' '))
        return 0;
    int value = 0;
    for (int i = 0; i < 3; ++i) {
        if (code[i] < '0' || code[i] > '9')
            return 0;
        value = value * 10 + (code[i] - '0');
    }
    return value;
}

std::optional<std::string> HeaderField(std::string_view header, std::string_view name) {
    size_t at = header.find(kLineEnd);  // the status line is not a field
    while (at != std::string_view::npos) {
        const size_t start = at + kLineEnd.size();
        const size_t eol = header.find(kLineEnd, start);
        if (eol == std::string_view::npos)
            return std::nullopt;  // a line without its end is not a field
        std::string_view line = header.substr(start, eol - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameIgnoringAsciiCase(line.substr(0, colon), name))
            return std::string(TrimBlanks(line.substr(colon + 1)));
        at = eol;
    }
    return std::nullopt;
}

std::optional<std::string> ParseLocation(std::string_view header) {
    std::optional<std::string> value = HeaderField(header, "Location");
    if (!value || value->empty())
        return std::nullopt;
    for (char c : *value) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return std::nullopt;
    }
    return value;
}

std::optional<ContentRange> ParseContentRange(std::string_view header) {
    std::optional<std::string> field = HeaderField(header, "Content-Range");
    if (!field)
        return std::nullopt;
    std::string_view v = *field;
    if (!SameIgnoringAsciiCase(v.substr(0, 6), "bytes "))
        return std::nullopt;
    v = TrimBlanks(v.substr(6));
    const size_t dash = v.find('-'), slash = v.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    std::optional<uint32_t> first = Number(TrimBlanks(v.substr(0, dash)));
    std::optional<uint32_t> last = Number(TrimBlanks(v.substr(dash + 1, slash - dash - 1)));
    if (!first || !last || *last < *first)
        return std::nullopt;
    ContentRange range;
    range.first = *first;
    range.last = *last;
    range.total = Number(TrimBlanks(v.substr(slash + 1))).value_or(0);
    return range;
}

uint32_t ParseContentLength(std::string_view header) {
    std::optional<std::string> field = HeaderField(header, "Content-Length");
    return field ? Number(*field).value_or(0) : 0;
}

uint32_t ParseContentSize(std::string_view header) {
    if (HeaderField(header, "Content-Range")) {
        std::optional<ContentRange> range = ParseContentRange(header);
        return range ? range->total : 0;
    }
    return ParseContentLength(header);
}

}  // namespace radu
