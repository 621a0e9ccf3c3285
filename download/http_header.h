// Reading an HTTP response header as it was received (8-bit text). Everything a server sends is taken as
// untrusted: the status is the number on the status line, and a field is found only by its name at the
// start of a header line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radu {

// True when the header ends with its blank line (CR LF CR LF): a header cut short, by the size limit or
// by a closed connection, is not an answer.
bool HeaderComplete(std::string_view header);

// The status code: the three digits that follow "HTTP/<version> " at the start of the first line, followed
// by a space (before the reason phrase) or by the line end; any other character after them (a tab, a
// fourth digit) makes it no status line. 0 when the first line is not such a status line.
int StatusCode(std::string_view header);

// The value of the first header line (after the status line) whose name is `name`, ASCII case ignored,
// with blanks around the value removed. None when no complete line carries the field.
std::optional<std::string> HeaderField(std::string_view header, std::string_view name);

// The redirect target ("Location"), or none. A value holding a control character (CR, LF, tab, ...) is
// none as well: it would end up inside the next request's lines.
std::optional<std::string> ParseLocation(std::string_view header);

// "Content-Range: bytes FIRST-LAST/TOTAL".
struct ContentRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint32_t total = 0;  // 0 when the total is "*" or unusable
};
// None when the field is missing or not of that form (numbers below 2^31).
std::optional<ContentRange> ParseContentRange(std::string_view header);

// A size below 2^31 from "Content-Length"; 0 when missing, negative, not a number or too large.
uint32_t ParseContentLength(std::string_view header);

// The size of the resource: the total of "Content-Range" when the header has that field, otherwise
// "Content-Length"; 0 when unknown.
uint32_t ParseContentSize(std::string_view header);

}  // namespace radu
