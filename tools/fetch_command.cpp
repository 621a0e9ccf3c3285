// radtool fetch URL DEST_FOLDER [--single] [--need-digest] [--key PUBLIC.pem [--min-serial N]]: runs one
// download the way the installer does (no overwriting, no extension mode; with --need-digest, only from a
// final address that carries the package's digest, as the installer takes its package without a key; with
// a key, accepted only with the maker's signed statement at a serial high enough, as a build with that key
// and floor accepts it on this machine), printing the proxy the user's settings choose for URL
// ("proxy=..."), every progress report to standard error, with a key the serial it saw and what became of
// it ("serial=..."), and "result=N" last. The file is named after URL's last segment, as the installer
// names its package after its own address: wherever the redirects end, the server does not choose which
// file in DEST_FOLDER is written, resumed or deleted.
#include <cstdio>
#include <cwchar>
#include <string>

#include "download/download.h"
#include "download/proxy_lookup.h"
#include "download/url.h"
#include "tools/commands.h"

namespace {

class PrintingCallBack : public radu::IDownloadCallBack {
  public:
    int OnProgress(unsigned totalSize, int percent, unsigned speed, int) override {
        std::fwprintf(stderr, L"%3d%% %6u KiB/s (of %u bytes)\n", percent, speed, totalSize);
        std::fflush(stderr);  // a pipe would otherwise get every line at exit
        return radu::kProgressGoOn;
    }
    void OnTargetPath(const wchar_t* path, int) override { std::fwprintf(stderr, L"target %ls\n", path); }
    void OnServerAddress(const wchar_t*, int) override {}  // user data is 0: never called
};

}  // namespace

namespace radtool {

namespace {

// What each result means; printed after the result, and all of them with the usage.
struct ResultText {
    int code;
    const wchar_t* meaning;
};
const ResultText kResults[] = {
    {radu::kDownloadOk, L"downloaded, joined and verified (digest, and signature with --key)"},
    {radu::kDownloadHttpRefused, L"the server refused the request (404, 403 or an unusable status)"},
    {radu::kDownloadBadAddress,
     L"no host, path or file name in the address or the final one (or a fifth redirect)"},
    {radu::kDownloadStopped, L"stopped"},
    {radu::kDownloadDigestMismatch, L"the MD5 digest differs from the address's; the file was deleted"},
    {radu::kDownloadTargetExists, L"the file was already there (and verified, where the address says how)"},
    {radu::kDownloadNoStopEvent, L"no stop event"},
    {radu::kDownloadCannotCreateTarget, L"the file could not be created for joining"},
    {radu::kDownloadCannotReadPart, L"a part file could not be read for joining"},
    {radu::kDownloadCannotWritePart, L"a part file could not be opened for writing"},
    {radu::kDownloadBadDestination, L"no address or destination, or the folder or file name is unusable"},
    {radu::kDownloadNoHeader, L"no response header arrived"},
    {radu::kDownloadSendFailed, L"sending a request failed"},
    {radu::kDownloadBroken, L"a connection failed or closed before its segment was complete"},
    {radu::kDownloadNoConnection, L"no connection, or the size could not be learnt"},
    {radu::kDownloadBadRedirect, L"a redirect without a usable Location"},
    {radu::kDownloadNoThread, L"a segment thread could not be created"},
    {radu::kDownloadNoMemory, L"no memory for the segment table"},
    {radu::kDownloadBadSignature,
     L"the maker's signed statement is missing, malformed or wrong, or its serial is too low (see serial=); "
     L"the file was deleted"},
    {radu::kDownloadProxyAuthentication, L"the proxy wants credentials (407); none are offered"},
    {radu::kDownloadProxyUnreachable, L"no proxy the settings name could be reached"},
    {radu::kDownloadProxyGateway, L"the proxy could not reach the server (502, 503 or 504)"},
    {radu::kDownloadNoDigest,
     L"with --need-digest: the final address carries no usable md5= digest (a sign-in portal's page?)"},
};

void PrintResults() {
    std::fwprintf(stderr, L"results:\n");
    for (const ResultText& r : kResults)
        std::fwprintf(stderr, L"  %2d  %ls\n", r.code, r.meaning);
}

}  // namespace

int Fetch(int argc, wchar_t** argv) {
    bool single = false, needDigest = false;
    const wchar_t* keyFile = nullptr;
    const wchar_t* floor = nullptr;
    bool usable = argc >= 2;
    for (int i = 2; usable && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--single") == 0)
            single = true;
        else if (std::wcscmp(argv[i], L"--need-digest") == 0)
            needDigest = true;
        else if (std::wcscmp(argv[i], L"--key") == 0 && i + 1 < argc)
            keyFile = argv[++i];
        else if (std::wcscmp(argv[i], L"--min-serial") == 0 && i + 1 < argc)
            floor = argv[++i];
        else
            usable = false;
    }
    if (!usable || (floor && !keyFile)) {
        std::fwprintf(stderr,
                      L"usage: radtool fetch URL DEST_FOLDER [--single] [--need-digest] "
                      L"[--key PUBLIC.pem [--min-serial N]]\n");
        PrintResults();
        return 2;
    }
    radu::PackageTrust trust;
    if (keyFile && !ReadTrust(keyFile, floor, trust))
        return 2;
    // The same lookup the download makes for itself, from the same settings.
    const radu::ProxyChoice proxy = radu::FindProxyFor(argv[0]);
    std::wprintf(L"proxy=%ls (%ls)\n", radu::DescribeRoutes(proxy.routes).c_str(), proxy.why.c_str());
    std::fflush(stdout);
    PrintingCallBack callback;
    const BOOL segments = single ? FALSE : TRUE;
    radu::UniqueFileHandle checked;  // the verified file stays unchanged until the result is out
    radu::PackageCheck check;
    const std::wstring name = radu::ParseUrl(argv[0]).fileName;
    int result = radu::kDownloadBadAddress;
    if (!name.empty()) {
        result = keyFile ? radu::DownloadSignedFile(argv[0], argv[1], name.c_str(), &callback, 0, segments,
                                                    trust, checked, check)
                 : needDigest
                     ? radu::DownloadDigestedFile(argv[0], argv[1], name.c_str(), &callback, 0, segments)
                     : radu::DownloadNamedFile(argv[0], argv[1], name.c_str(), &callback, 0, segments, FALSE);
    }
    if (keyFile && check.verdict != radu::PackageVerdict::kNotChecked)
        std::wprintf(L"%ls\n", DescribeCheck(check, trust).c_str());
    for (const ResultText& r : kResults) {
        if (r.code == result)
            std::fwprintf(stderr, L"%ls\n", r.meaning);
    }
    std::fflush(stderr);
    std::wprintf(L"result=%d\n", result);
    std::fflush(stdout);
    return result;
}

}  // namespace radtool
