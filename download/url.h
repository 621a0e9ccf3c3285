// Taking an "http://" address apart.
#pragma once

#include <string>

namespace radu {

struct UrlParts {
    std::wstring host;      // without the port
    std::wstring path;      // from the first "/" on, query included
    std::wstring fileName;  // the path's last step: after the last "/" before the query
    int port = 80;
};

// Blanks around the address are ignored and everything up to the first "http://" is dropped; no other
// scheme is recognised. Without any "/" after the host, the host comes out empty (the address is unusable).
// A port that is not wholly a decimal number from 0 to 65535 comes out as 0.
UrlParts ParseUrl(const std::wstring& url);

// The expected digest an address carries: the text after its first "md5=" up to the next "&" or the end;
// empty when it has none.
std::wstring DigestParameter(const std::wstring& address);

// True for an MD5 digest as text: 32 hexadecimal digits, either case, nothing else.
bool IsMd5Text(const std::wstring& text);

}  // namespace radu
