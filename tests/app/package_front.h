// What answers the installer's package address in the install tests and the soak: a small server on the
// installer's package port that sends it on to a package on the test environment's nginx (with the
// package's digest), answers 404, or is not there at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/scripted_http_server.h"

namespace radu::test {

enum class Front {
    kRedirect,  // 302 to the package on nginx, with "?md5=<digest>" (after "serial=<n>&sig=<signature>&",
                // if any)
    kNoDigest,  // the same without the digest
    kRedirectByName,   // kRedirect to nginx named radu-packages.test, which only the tests' proxy resolves
    kSlowRedirect,     // the same through nginx's throttled location (64 KiB/s)
    kTrickleRedirect,  // the same at 1 KiB/s
    kQueueNamed,       // kRedirect to the package under the name of the report queue, "FBResult.ini"
    kNotFound,         // 404
    kDown,             // nothing listens
    kPortal,           // a sign-in portal: every address answers 302 to its HTML page, served with 200
    kSpreadName,       // kRedirect to nginx named radu-spread.test: seven dead addresses and nginx's
    // The package served by the front itself, with the digest: the first segment request gets half its
    // bytes, then one byte every 2 s, without the connection closing.
    kTrickleMidSegment,
    kStrictRanges,  // likewise served in full, but a Range past the package's last byte answers 400
};

// The name of kSpreadName, resolved by the test environment's hosts file (where it can have one).
inline constexpr char kSpreadHost[] = "radu-spread.test";

// The serial and signature the redirect carries.
enum class Sig {
    kNone,
    kOwn,     // the served package's own: the maker's for "good", "older", ..., the forger's (own key) for
              // "forged"
    kMakers,  // the maker's serial and signature of "good", whatever is served
};

// An address on nginx.
std::string NginxUrl(const std::string& path);
// The package named `package` ("good", "broken", "many", "older", ...) as nginx serves it below e2e/.
std::wstring ServedPackage(const char* package);

// The serial the maker's (or the forger's) statement about `package` carries.
uint64_t ServedSerial(const char* package);

// Starts the front (null for kDown). `road` names the run in nginx's log (/road/<road>/...).
std::unique_ptr<ScriptedHttpServer> StartPackageFront(Front front, const std::string& road,
                                                      const char* package, Sig sig = Sig::kNone);

}  // namespace radu::test
