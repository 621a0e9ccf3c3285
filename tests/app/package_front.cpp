#include "package_front.h"

#include <cstdlib>

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

std::unique_ptr<ScriptedHttpServer> StartPackageFront(Front front, const std::string& road,
                                                      const char* package, Sig sig) {
    if (front == Front::kDown)
        return nullptr;
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
