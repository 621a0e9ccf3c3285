#include "package_front.h"

#include <atomic>
#include <cstdlib>
#include <memory>

#include "download/md5_reference.h"
#include "installer_driver.h"
#include "support/test_paths.h"

namespace radu::test {

std::string NginxUrl(const std::string& path) {
    const std::wstring port = Env(L"RADU_NGINX_PORT");
    return "http://127.0.0.1:" + std::string(port.begin(), port.end()) + path;
}

std::wstring ServedPackage(const char* package) {
    return Env(L"RADU_NGINX_ROOT") + L"\\e2e\\" + Wide(package) + L"\\VaruPhoneAx.zip";
}

uint64_t ServedSerial(const char* package) {
    const std::string query = ReadFileBytes(ServedPackage(package) + L".sig");  // "serial=N&sig=..."
    return query.rfind("serial=", 0) == 0 ? std::strtoull(query.c_str() + 7, nullptr, 10) : 0;
}

namespace {

// A front that serves the package itself below /served/, the way kTrickleMidSegment and kStrictRanges
// have it, and redirects the package address there.
std::unique_ptr<ScriptedHttpServer> ServingFront(Front front, const char* package) {
    const std::string content = ReadFileBytes(ServedPackage(package));
    const std::string location = "http://127.0.0.1:" + std::to_string(PackageServerPort()) +
                                 "/served/VaruPhoneAx.zip?md5=" + ReferenceMd5(content);
    auto trickled = std::make_shared<std::atomic<bool>>(false);
    return std::make_unique<ScriptedHttpServer>(
        [=](const HttpRequest& request) {
            if (request.path == "/consezip/VaruPhoneAx.zip")
                return HttpReply::Status("HTTP/1.1 302 Found",
                                         "Location: " + location + "\r\nContent-Length: 0\r\n");
            long long first = 0, last = 0;
            const bool ranged = request.Range(&first, &last);
            if (front == Front::kStrictRanges && ranged && last >= static_cast<long long>(content.size()))
                return HttpReply::Status("HTTP/1.1 400 Bad Request", "Content-Length: 0\r\n");
            HttpReply reply = ServeContent(request, content);
            // The size probe asks for two bytes; a segment for more.
            if (front == Front::kTrickleMidSegment && ranged && last - first > 1 && !trickled->exchange(true))
                reply.trickleAfter = reply.head.size() + reply.body.size() / 2;
            return reply;
        },
        PackageServerPort());
}

// Behind a sign-in portal every address the installer asks for leads to the portal's page.
std::unique_ptr<ScriptedHttpServer> PortalFront() {
    const std::string page = "<html><body><form>Sign in to use this network</form></body></html>";
    const std::string login =
        "http://127.0.0.1:" + std::to_string(PackageServerPort()) + "/portal/login.html";
    return std::make_unique<ScriptedHttpServer>(
        [=](const HttpRequest& request) {
            if (request.path.rfind("/portal/login.html", 0) == 0)
                return ServeContent(request, page);
            return HttpReply::Status("HTTP/1.1 302 Found",
                                     "Location: " + login + "\r\nContent-Length: 0\r\n");
        },
        PackageServerPort());
}

}  // namespace

std::unique_ptr<ScriptedHttpServer> StartPackageFront(Front front, const std::string& road,
                                                      const char* package, Sig sig) {
    if (front == Front::kDown)
        return nullptr;
    if (front == Front::kPortal)
        return PortalFront();
    if (front == Front::kTrickleMidSegment || front == Front::kStrictRanges)
        return ServingFront(front, package);
    std::string location;
    if (front != Front::kNotFound) {
        const char* place = front == Front::kSlowRedirect      ? "/slow/"
                            : front == Front::kTrickleRedirect ? "/trickle/"
                                                               : "/road/";
        const std::string digest = ReferenceMd5(ReadFileBytes(ServedPackage(package)));
        std::string query;
        if (sig != Sig::kNone)
            query = ReadFileBytes(ServedPackage(sig == Sig::kOwn ? package : "good") + L".sig") + "&";
        if (front != Front::kNoDigest)
            query += "md5=" + digest;
        const char* name = front == Front::kQueueNamed ? "/FBResult.ini?" : "/VaruPhoneAx.zip?";
        location = NginxUrl(place + road + "/e2e/" + package + name + query);
        if (front == Front::kRedirectByName)
            location.replace(0, std::string("http://127.0.0.1").size(), "http://radu-packages.test");
        if (front == Front::kSpreadName)
            location.replace(0, std::string("http://127.0.0.1").size(), std::string("http://") + kSpreadHost);
    }
    return std::make_unique<ScriptedHttpServer>(
        [location](const HttpRequest& request) {
            if (request.path != "/consezip/VaruPhoneAx.zip" || location.empty())
                return HttpReply::Status("HTTP/1.1 404 Not Found", "Content-Length: 0\r\n");
            return HttpReply::Status("HTTP/1.1 302 Found",
                                     "Location: " + location + "\r\nContent-Length: 0\r\n");
        },
        PackageServerPort());
}

}  // namespace radu::test
