// The whole install as its user meets it, from the click to the started product, along every road an
// attempt can take: RadurodiSetup.exe driven from outside against real servers on this machine. The
// package address answers from a small front in this program (a redirect that carries the package's
// digest, a 404, or nothing at all); nginx serves the package's bytes; a listener on port 80 takes the
// reports. Each road is checked by what it leaves on disk, in the registry and on the wire.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/product.h"
#include "build_config.h"
#include "common/unique_handle.h"
#include "helper_programs.h"
#include "installer_driver.h"
#include "package_front.h"
#include "product_state.h"
#include "test_service_control.h"
#include "support/port80_recorder.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

enum : int { kStatus = 1009, kPercent = 1010, kClose = 1106, kArrow = 1107, kLicence = 1108, kFolder = 1109 };
enum : int { kDesktopBox = 1111, kStartMenuBox = 1112, kAutoStartBox = 1113 };

const wchar_t kProgram[] = L"VaruPhoneAx\\Varu.exe";
const wchar_t kUninstaller[] = L"VaruPhoneAx\\VaruUnInstall.exe";
const wchar_t kDefaultFolder[] = L"C:\\Program Files\\";
// Typed into the folder field, with spaces and both cases: the install must use it exactly as typed.
const wchar_t kCustomParent[] = L"C:\\Radu E2E";
const wchar_t kCustomFolder[] = L"C:\\Radu E2E\\My Apps\\";
// A volume of 512 KiB (a tmpfs that the test environment maps as drive S:), too small for the package and
// for what it unpacks to.
const wchar_t kSmallVolume[] = L"S:\\";
const wchar_t kSmallFolder[] = L"S:\\Radu\\";
const wchar_t kSmallTemp[] = L"S:\\temp\\";
const char kReportBodyStart[] = "type=100&time=";
const char kReportBodyEnd[] = "&apkid=&AdditionalInfo=";

// The files a package holds, as they are to be installed.
std::wstring PackageTree(const char* package) {
    return Env(L"RADU_NGINX_ROOT") + L"\\e2e\\" +
           (std::string(package) == "many"     ? L"many-tree\\"
            : std::string(package) == "forged" ? L"forged-tree\\"
                                               : L"tree\\");
}

std::string QueueFile() {
    char path[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, path);
    return std::string(path) + "FBResult.ini";
}

// One line per request nginx answered below /road/<name>/ or /slow/<name>/: "uri|range|status|bytes".
struct Transfer {
    std::string uri, range;
    int status = 0;
    long long bytes = 0;
    std::string via;  // the Via header a proxy added, "-" for none
};
// Where this program's part of nginx's log begins (an earlier run may have used the same names).
size_t logStart = 0;
// Where http addresses handed to the shell go while the tests run.
std::unique_ptr<RecordingBrowser> browser;

std::vector<Transfer> NginxTransfers(const std::string& road) {
    std::vector<Transfer> out;
    const std::string log = ReadFileBytes(Env(L"RADU_NGINX_LOG"));
    size_t at = logStart;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        const size_t a = line.find('|'), b = line.find('|', a + 1), c = line.find('|', b + 1);
        if (c == std::string::npos)
            continue;
        const size_t d = line.find('|', c + 1);
        Transfer t{line.substr(0, a), line.substr(a + 1, b - a - 1), std::atoi(line.c_str() + b + 1),
                   std::atoll(line.c_str() + c + 1), d == std::string::npos ? "-" : line.substr(d + 1)};
        if (t.uri.rfind("/road/" + road + "/", 0) == 0 || t.uri.rfind("/slow/" + road + "/", 0) == 0)
            out.push_back(t);
    }
    return out;
}

// Segment requests are the ranged ones other than the two-byte size probe.
std::vector<Transfer> SegmentTransfers(const std::string& road) {
    std::vector<Transfer> out;
    for (const Transfer& t : NginxTransfers(road))
        if (!t.range.empty() && t.range != "-" && t.range != "bytes=0-1")
            out.push_back(t);
    return out;
}

std::unique_ptr<ScriptedHttpServer> StartFront(Front front, const std::string& road, const char* package,
                                               Sig sig = Sig::kNone) {
    auto server = StartPackageFront(front, road, package, sig);
    if (server) {
        EXPECT_TRUE(server->listening()) << "port " << PackageServerPort() << " is taken";
    }
    return server;
}

// A message box the road meets, in order, and the button that answers it.
struct Box {
    const wchar_t* text;  // message text "|" caption
    int answer;
};
const wchar_t kFallbackBox[] =
    L"网络异常,安装失败.您可以直接下载完整的安装包进行安装，点击确定开始下载完整安装包!|提示";
const wchar_t kUnpackFailedBox[] = L"权限不够，请使用管理员身份运行程序|提示";
const wchar_t kExtractorBox[] = L"未解压完全!83886080|Error";  // shown with the system's default caption
const wchar_t kDiskFullBox[] = L"未解压完全!1024|Error";       // an entry's bytes could not be written

enum class Unpacked { kNothing, kPartly, kAll };

// What befalls the installer on its road besides the servers' answers.
enum class Fault {
    kNone,
    kSecondCopy,         // another copy of the installer is started while this one downloads
    kKilledDownloading,  // an earlier run was killed while downloading, unpacking or registering;
    kKilledUnpacking,    // this run starts from what it left
    kKilledRegistering,
    kFullInstallVolume,  // the install folder is on a volume that fills up
    kFullTemp,           // so is the temporary folder
};

// The user's proxy settings while the road is taken (none outside those roads).
enum class Proxy {
    kNone,
    kFixed,    // the tests' squid as the fixed proxy for every address, loopback included
    kScript,   // a configuration script on nginx naming a proxy that is not there, then squid
    kBypass,   // squid as the fixed proxy, with a bypass list that names the package server
    kRefuses,  // squid's port that wants credentials (407)
};

struct Road {
    const char* name;
    bool keyed;  // the installer built with the maker's key, with a writer striking after the check
    Front front;
    const char* package;  // served below e2e/ on nginx: "good", "broken" or "forged"
    Sig sig;
    bool custom;          // custom page: kCustomFolder typed in, all three options unticked
    bool statsServer;     // a listener on port 80
    const char* waiting;  // the package in the temporary folder before the install starts, or null
    std::vector<Box> boxes;
    // What the road must leave.
    Unpacked unpacked;
    bool registered;
    bool started;
    size_t reports;          // received by the listener, or queued when there is none
    bool browserOpened;      // the complete installer's address went to the shell
    bool segmentsRequested;  // nginx served package bytes (to this run)
    Fault fault = Fault::kNone;
    Proxy proxy = Proxy::kNone;
};

constexpr bool Y = true, N = false;
const std::vector<Box> kNoBox;
const std::vector<Box> kFallbackOk = {{kFallbackBox, IDOK}};
const std::vector<Box> kFallbackCancel = {{kFallbackBox, IDCANCEL}};
const std::vector<Box> kBrokenBoxes = {{kExtractorBox, IDOK}, {kUnpackFailedBox, IDOK}};
const std::vector<Box> kDiskFullBoxes = {{kDiskFullBox, IDOK}, {kUnpackFailedBox, IDOK}};

const Sig kNoSig = Sig::kNone, kOwnSig = Sig::kOwn, kMakersSig = Sig::kMakers;

// clang-format off
const Road kRoads[] = {
    // name                              keyed front              package   sig         custom stats waiting
    //                                   boxes            unpacked            registered started reports browser segments
    {"QuickInstall",                     N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"CustomFolderWithSpacesNoOptions",  N,    Front::kRedirect,  "good",   kNoSig,     Y,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"ServerAnswers404ThenOk",           N,    Front::kNotFound,  "",       kNoSig,     N,     Y,    nullptr,
                                         kFallbackOk,     Unpacked::kNothing, N,         N,      1,      Y,      N},
    {"ServerDownThenCancel",             N,    Front::kDown,      "",       kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      N},
    {"BrokenArchiveWithItsDigest",       N,    Front::kRedirect,  "broken", kNoSig,     N,     Y,    nullptr,
                                         kBrokenBoxes,    Unpacked::kPartly,  Y,         N,      2,      N,      Y},
    {"PackageAlreadyInTemp",             N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    "good",
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N},
    {"StatisticsServerDown",             N,    Front::kRedirect,  "good",   kNoSig,     N,     N,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    // With the maker's key: the maker's signature installs, even with a writer striking after the check;
    // a forger's package with its correct digest is refused unsigned, signed with another key or carrying
    // the maker's signature of other bytes; a package planted in the temporary folder is checked, deleted
    // and fetched anew.
    {"SignedByTheMaker",                 Y,    Front::kRedirect,  "good",   kOwnSig,    N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"ForgerUnsigned",                   Y,    Front::kRedirect,  "forged", kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      Y},
    {"ForgerSignedWithOwnKey",           Y,    Front::kRedirect,  "forged", kOwnSig,    N,     Y,    nullptr,
                                         kFallbackOk,     Unpacked::kNothing, N,         N,      1,      Y,      Y},
    {"ForgerWithMakersSignature",        Y,    Front::kRedirect,  "forged", kMakersSig, N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      Y},
    {"PlantedPackageFetchedAnew",        Y,    Front::kNoDigest,  "good",   kOwnSig,    N,     Y,    "forged",
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"SecondCopyShowsTheFirst",          N,    Front::kSlowRedirect, "good", kNoSig,  N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kSecondCopy},
    {"KilledDownloadingThenRunAgain",    N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kKilledDownloading},
    {"KilledUnpackingThenRunAgain",      N,    Front::kRedirect,  "many",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N,
                                         Fault::kKilledUnpacking},
    {"KilledRegisteringThenRunAgain",    N,    Front::kRedirect,  "many",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N,
                                         Fault::kKilledRegistering},
    {"InstallVolumeFillsUp",             N,    Front::kRedirect,  "good",   kNoSig,     Y,     Y,    nullptr,
                                         kDiskFullBoxes,  Unpacked::kPartly,  Y,         N,      2,      N,      Y,
                                         Fault::kFullInstallVolume},
    // Behind a proxy: every request, the report's too, goes through it; a bypass list sends the package
    // server's requests straight to it; a proxy that wants credentials ends the download.
    {"ThroughAFixedProxy",               N,    Front::kRedirectByName, "good", kNoSig,  N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone, Proxy::kFixed},
    {"ThroughAConfigurationScript",      N,    Front::kRedirectByName, "good", kNoSig,  N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone, Proxy::kScript},
    {"BypassListNamesThePackageServer",  N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone, Proxy::kBypass},
    {"ProxyWantsCredentials",            N,    Front::kRedirectByName, "good", kNoSig,  N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      0,      N,      N,
                                         Fault::kNone, Proxy::kRefuses},
    {"TemporaryFolderFillsUp",           N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      Y,
                                         Fault::kFullTemp},
};
// clang-format on

void RemoveFiles(const std::vector<std::wstring>& files) {
    for (const std::wstring& f : files)
        DeleteFileW(f.c_str());
}

// Forgets everything an earlier install or test left that a road looks at.
void StartAfresh() {
    ForgetProductRegistration();
    RemoveTree(std::wstring(kDefaultFolder) + L"VaruPhoneAx");
    RemoveTree(kCustomParent);
    RemoveTree(kSmallFolder);
    RemoveFiles(DownloadLeftovers());
    DeleteFileA(QueueFile().c_str());
    if (browser)
        browser->Forget();
}

// The install folder of a road: the default one, or the one typed on the custom page.
std::wstring FolderOf(const Road& road) {
    if (!road.custom)
        return kDefaultFolder;
    return road.fault == Fault::kFullInstallVolume ? kSmallFolder : kCustomFolder;
}

// Where the road's page goes before the install button: the start page ticks the licence; the custom
// page also types the folder (one character at a time, line breaks among them, which the field refuses)
// and unticks the options.
void ChooseAndInstall(Installer& in, const Road& road) {
    in.Click(in.Item(kLicence));
    if (road.custom) {
        const std::wstring folder = FolderOf(road);
        in.Click(in.Item(kArrow));
        HWND field = in.Item(kFolder);
        ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (wchar_t c : folder) {
            ::PostMessageW(field, WM_CHAR, c, 1);
            if (c == L' ') {
                ::PostMessageW(field, WM_CHAR, L'\n', 1);  // Ctrl+Enter
                ::PostMessageW(field, WM_CHAR, L'\r', 1);
            }
        }
        in.Settle();
        EXPECT_EQ(TextOf(field), folder);
        for (int box : {kDesktopBox, kStartMenuBox, kAutoStartBox})
            in.Click(in.Item(box));
        ::CreateDirectoryW(kCustomParent, nullptr);  // the install folder itself is made by the unpacking
    }
    in.Click(in.InstallButton());
}

bool OnFinishPage(const Installer& in) {
    HWND button = in.InstallButton();
    return ::IsWindowVisible(button) && TextOf(button) == L"完成";
}

// Compares the installed files with the package's own tree, entry by entry.
void ExpectUnpacked(const std::wstring& folder, const char* package, Unpacked unpacked) {
    const std::wstring tree = PackageTree(package);
    if (unpacked == Unpacked::kAll) {
        for (const FoundFile& file : ListFiles(tree)) {
            const std::wstring relative = file.path.substr(tree.size());
            ASSERT_EQ(ReadFileBytes(folder + relative), ReadFileBytes(file.path)) << relative;
        }
    } else {
        // Nothing, or a package that stops at its data entry (damaged, or no room for it).
        for (const wchar_t* file : {L"VaruPhoneAx\\资源\\说明.txt", kProgram, kUninstaller})
            EXPECT_FALSE(FileExists(folder + file)) << file;
        if (unpacked == Unpacked::kNothing) {
            EXPECT_FALSE(FileExists(folder + L"VaruPhoneAx\\data.bin"));
        }
    }
    EXPECT_EQ(DirExists(folder + L"VaruPhoneAx\\资源"), unpacked == Unpacked::kAll);
}

void ExpectRegistered(const std::wstring& folder, bool registered, bool options) {
    const std::wstring program = folder + kProgram, uninstaller = folder + kUninstaller;
    const RegText entry = ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString");
    EXPECT_EQ(entry.present, registered);
    if (!registered)
        return;
    EXPECT_EQ(entry.text, uninstaller);  // exactly as typed: no case folded
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName").text, L"Radurodi");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kVersionKey, L"CurrentVesion").text, L"1.0");
    const RegText run = ReadRegText(HKEY_LOCAL_MACHINE, kProductRunKey, L"Radurodi");
    EXPECT_EQ(run.present, options);
    EXPECT_EQ(FileExists(DesktopLink()), options);
    EXPECT_EQ(FileExists(StartMenuLink()), options);
    EXPECT_EQ(FileExists(UninstallerLink()), options);
    if (options) {
        EXPECT_EQ(run.text, program);
        EXPECT_EQ(ReadLink(DesktopLink()).target, program);
        EXPECT_EQ(ReadLink(StartMenuLink()).target, program);
        EXPECT_EQ(ReadLink(UninstallerLink()).target, uninstaller);
    }
}

void ExpectReports(const Port80Recorder* stats, size_t count) {
    if (stats == nullptr) {
        // Queued as consecutive sections of the queue file in the temporary folder.
        const std::string queue = QueueFile();
        EXPECT_EQ(GetPrivateProfileIntA("Number", "Key", 0, queue.c_str()), static_cast<UINT>(count));
        for (size_t i = 1; i <= count; ++i) {
            const std::string section = std::to_string(i);
            char info[1024] = "", unsent[8] = "";
            GetPrivateProfileStringA(section.c_str(), "info", "", info, sizeof info, queue.c_str());
            GetPrivateProfileStringA(section.c_str(), "UnSend", "", unsent, sizeof unsent, queue.c_str());
            EXPECT_EQ(std::string(info).rfind(kReportBodyStart, 0), 0u) << info;
            EXPECT_STREQ(unsent, "1");
        }
        return;
    }
    const std::vector<RecordedRequest> requests = stats->Requests();
    ASSERT_EQ(requests.size(), count);
    for (const RecordedRequest& r : requests) {
        EXPECT_EQ(r.head.rfind("POST /fbInfo/saveInfo HTTP/1.1\r\n", 0), 0u) << r.head;
        EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.body.rfind(kReportBodyStart, 0), 0u) << r.body;
        EXPECT_NE(r.body.find("&mac="), std::string::npos) << r.body;
        EXPECT_EQ(r.body.substr(r.body.size() - sizeof kReportBodyEnd + 1), kReportBodyEnd) << r.body;
    }
}

// Sets the current user's proxy settings the way Internet Options writes them: the plain values (which
// WinINet reads) and the binary DefaultConnectionSettings (which WinHTTP reads: version 0x46, a counter,
// flags 1 direct | 2 fixed proxy | 4 script address, then the proxy list, the bypass list and the script
// address, each as a length and its bytes). Removed again when the object goes.
class ProxySettings {
  public:
    ProxySettings(const std::string& server, const std::string& bypass, const std::string& script) {
        DWORD flags = 1;
        if (!server.empty())
            flags |= 2;
        if (!script.empty())
            flags |= 4;
        std::string blob(12, '\0');
        const DWORD header[3] = {0x46, 1, flags};
        std::memcpy(blob.data(), header, sizeof header);
        for (const std::string* text : {&server, &bypass, &script}) {
            const DWORD length = static_cast<DWORD>(text->size());
            blob.append(reinterpret_cast<const char*>(&length), sizeof length);
            blob += *text;
        }
        blob.append(32, '\0');
        const DWORD enable = server.empty() ? 0 : 1;
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"ProxyEnable", REG_DWORD, &enable, sizeof enable);
        SetText(L"ProxyServer", server);
        SetText(L"ProxyOverride", bypass);
        SetText(L"AutoConfigURL", script);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings", REG_BINARY,
                          blob.data(), static_cast<DWORD>(blob.size()));
    }
    ~ProxySettings() {
        for (const wchar_t* value : {L"ProxyEnable", L"ProxyServer", L"ProxyOverride", L"AutoConfigURL"})
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, value);
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings");
    }
    ProxySettings(const ProxySettings&) = delete;
    ProxySettings& operator=(const ProxySettings&) = delete;

  private:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    static constexpr const wchar_t* kConnections =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    void SetText(const wchar_t* name, const std::string& text) {
        if (text.empty())
            return;
        const std::wstring wide = Wide(text);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_SZ, wide.c_str(),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
};

std::string ProxyAt(const wchar_t* portVariable) {
    const std::wstring port = Env(portVariable);
    return "127.0.0.1:" + std::string(port.begin(), port.end());
}

// The settings of a road. Windows sends loopback addresses past any proxy unless the bypass list says
// "<-loopback>"; the package address of this build is a loopback one.
std::unique_ptr<ProxySettings> SetProxyFor(const Road& road) {
    const std::string proxy = ProxyAt(L"RADU_PROXY_PORT");
    switch (road.proxy) {
        case Proxy::kNone:
            return nullptr;
        case Proxy::kFixed:
            return std::make_unique<ProxySettings>(proxy, "<-loopback>", "");
        case Proxy::kBypass:
            return std::make_unique<ProxySettings>(proxy, "<-loopback>;*.example.com;127.0.0.1", "");
        case Proxy::kRefuses:
            return std::make_unique<ProxySettings>(ProxyAt(L"RADU_PROXY_AUTH_PORT"), "<-loopback>", "");
        case Proxy::kScript: {
            // Nothing listens on port 1: the script's first proxy cannot be reached.
            const std::string pac = std::string("proxy-") + road.name + ".pac";
            EXPECT_TRUE(WriteFileBytes(Env(L"RADU_NGINX_ROOT") + L"\\" + Wide(pac),
                                       "function FindProxyForURL(url, host) {\n  return \"PROXY 127.0.0.1:1; "
                                       "PROXY " +
                                           proxy + "\";\n}\n"));
            return std::make_unique<ProxySettings>("", "", NginxUrl("/" + pac));
        }
    }
    return nullptr;
}

// squid's log lines from `from` on: "METHOD ADDRESS STATUS".
std::vector<std::string> ProxyLog(size_t from) {
    std::vector<std::string> lines;
    const std::string log = ReadFileBytes(Env(L"RADU_PROXY_LOG"));
    for (size_t at = from; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        lines.push_back(log.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

size_t Count(const std::vector<std::string>& lines, const std::string& start, const std::string& end) {
    size_t n = 0;
    for (const std::string& l : lines)
        n += l.rfind(start, 0) == 0 && l.size() >= end.size() &&
             l.compare(l.size() - end.size(), end.size(), end) == 0;
    return n;
}

// What went over the wire on a road behind a proxy, by the proxy's own log and what the servers saw.
void ExpectProxied(const Road& road, size_t logFrom, const ScriptedHttpServer* front,
                   const Port80Recorder* stats) {
    const std::vector<std::string> log = ProxyLog(logFrom);
    const std::string package =
        "GET http://127.0.0.1:" + std::to_string(PackageServerPort()) + "/consezip/VaruPhoneAx.zip ";
    const std::string report = "POST http://127.0.0.1/fbInfo/saveInfo ";
    const std::vector<Transfer> transfers = NginxTransfers(road.name);
    if (road.proxy == Proxy::kBypass) {
        EXPECT_EQ(Count(log, package, ""), 0u);
        EXPECT_EQ(Count(log, "GET " + NginxUrl("/"), ""), 0u);
        for (const Transfer& t : transfers)
            EXPECT_EQ(t.via, "-") << t.uri;
        return;
    }
    if (road.proxy == Proxy::kRefuses) {
        // Every request was refused by the proxy, the report's too; none reached a server.
        EXPECT_GE(Count(log, package, " 407"), 1u);
        EXPECT_EQ(Count(log, report, " 407"), 1u);
        EXPECT_EQ(Count(log, "", " 407"), log.size());
        ASSERT_NE(front, nullptr);
        EXPECT_TRUE(front->Requests().empty());
        EXPECT_TRUE(transfers.empty());
        EXPECT_FALSE(FileExists(Wide(QueueFile())));  // answered, so not queued
        return;
    }
    // Each request of the install is a line of the proxy's log, and each reached its server from the proxy.
    ASSERT_NE(front, nullptr);
    const std::vector<HttpRequest> asked = front->Requests();
    EXPECT_EQ(Count(log, package, " 302"), asked.size());
    for (const HttpRequest& r : asked)
        EXPECT_NE(r.Header("Via"), "") << r.raw;
    EXPECT_FALSE(transfers.empty());
    EXPECT_EQ(Count(log, "GET http://radu-packages.test:", ""), transfers.size());
    for (const Transfer& t : transfers)
        EXPECT_NE(t.via, "-") << t.uri;
    // The report goes with WinINet, whose proxy is the system's: Wine's WinINet follows a fixed proxy but
    // never runs a configuration script, so behind a script the report goes straight to its server here.
    const size_t reports = road.proxy == Proxy::kScript ? 0 : 1;
    EXPECT_EQ(Count(log, report, " 200"), reports);
    ASSERT_NE(stats, nullptr);
    for (const RecordedRequest& r : stats->Requests())
        EXPECT_EQ(r.Header("Via").empty(), reports == 0) << r.head;
    EXPECT_EQ(log.size(), asked.size() + transfers.size() + reports);  // nothing else went through it
}

// True when drive S: is the small volume (the test environment maps it only where it could mount one).
bool SmallVolumeReady() {
    ULARGE_INTEGER total = {};
    return ::GetDiskFreeSpaceExW(kSmallVolume, nullptr, &total, nullptr) && total.QuadPart > 0 &&
           total.QuadPart <= 1024 * 1024;
}

// While it lives, this program and every installer it starts use `folder` as their temporary folder.
class TempFolderAt {
  public:
    explicit TempFolderAt(const std::wstring& folder) {
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t value[MAX_PATH] = L"";
            ::GetEnvironmentVariableW(name, value, MAX_PATH);
            saved.push_back(value);
            ::SetEnvironmentVariableW(name, folder.c_str());
        }
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    ~TempFolderAt() {
        ::SetEnvironmentVariableW(L"TMP", saved[0].c_str());
        ::SetEnvironmentVariableW(L"TEMP", saved[1].c_str());
    }

  private:
    std::vector<std::wstring> saved;
};

bool PercentBetween(const Installer& in, double low, double high) {
    const std::wstring percent = TextOf(in.Item(kPercent));
    const double value = std::wcstod(percent.c_str(), nullptr);
    return !percent.empty() && value > low && value < high;
}

// An earlier run of the road, killed (not closed) at the road's point: while downloading, in the middle
// of unpacking, or as the shortcuts are being written. What it left proves where it was cut.
void CutShort(const Road& road) {
    const std::wstring folder = FolderOf(road);
    const bool downloading = road.fault == Fault::kKilledDownloading;
    auto front = StartFront(downloading ? Front::kSlowRedirect : Front::kRedirect,
                            std::string(road.name) + "-cut", road.package);
    Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    ChooseAndInstall(in, road);
    bool reached = false;
    if (downloading) {
        reached = WaitFor([&] { return PercentBetween(in, 0, 100); }, 20000);
    } else if (road.fault == Fault::kKilledUnpacking) {
        reached = WaitFor(
            [&] { return TextOf(in.Item(kStatus)) == L"正在解压资源:" && PercentBetween(in, 5, 90); }, 30000);
    } else {
        // The first thing registration writes is the desktop shortcut: the kill follows at once.
        const std::wstring link = DesktopLink();
        const DWORD start = ::GetTickCount();
        while (!(reached = FileExists(link)) && ::GetTickCount() - start < 30000) {
        }
    }
    in.Kill();
    ASSERT_TRUE(reached) << "the install never got to where it was to be cut";
    EXPECT_TRUE(stats.Requests().empty());  // no attempt came to its end
    const std::wstring package = Temp() + L"VaruPhoneAx.zip";
    if (downloading) {
        EXPECT_FALSE(FileExists(package));
        EXPECT_FALSE(DownloadLeftovers().empty());  // the part files, to go on from
        EXPECT_FALSE(DirExists(folder + L"VaruPhoneAx"));
    } else {
        EXPECT_TRUE(FileExists(package));
        EXPECT_TRUE(FileExists(folder + L"VaruPhoneAx\\data.bin"));
        // Cut before the last entry, or before the uninstall entry.
        if (road.fault == Fault::kKilledUnpacking) {
            EXPECT_FALSE(FileExists(folder + kUninstaller));
        } else {
            EXPECT_FALSE(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString").present);
        }
    }
}

// A copy of itself started while the installer downloads: it must show the running one (restored from
// the task bar) and end at once, leaving the product's service and processes alone.
void SecondCopyWhileDownloading(Installer& in) {
    ASSERT_TRUE(WaitFor([&] { return PercentBetween(in, 0, 100); }, 20000));
    TestService service(L"stops", kServiceName);
    ASSERT_TRUE(service.running());
    TempDir dir;
    ASSERT_TRUE(CopyFileW(HelperProgram(L"radu_idle_child.exe").c_str(), (dir / L"adb.exe").c_str(), FALSE));
    PROCESS_INFORMATION adb = {};
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring command = L"\"" + (dir / L"adb.exe") + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &si, &adb));
    UniqueKernelHandle adbProcess(adb.hProcess), adbThread(adb.hThread);
    in.PostAndSettle(in.Dialog(), WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(::IsIconic(in.Dialog()));

    EXPECT_EQ(RunInstallerToEnd(20000), 183u);
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(in.Dialog()); }, 5000));
    EXPECT_EQ(::GetForegroundWindow(), in.Dialog());
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(::WaitForSingleObject(adbProcess.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(adbProcess.get(), 0);
    ::WaitForSingleObject(adbProcess.get(), 5000);
}

// Takes one road from the start of the installer to its end, and checks what it left. `afresh` false
// keeps what an earlier run left.
void Drive(const Road& road, bool afresh = true) {
    const bool smallVolume = road.fault == Fault::kFullInstallVolume || road.fault == Fault::kFullTemp;
    if (smallVolume && !SmallVolumeReady())
        GTEST_SKIP() << "no small volume as drive S: (the test environment mounts one only in a mount "
                        "namespace of its own, as scripts/test runs it)";
    std::unique_ptr<TempFolderAt> smallTemp;
    if (road.fault == Fault::kFullTemp)
        smallTemp = std::make_unique<TempFolderAt>(kSmallTemp);
    if (afresh)
        StartAfresh();
    if (road.fault == Fault::kKilledDownloading || road.fault == Fault::kKilledUnpacking ||
        road.fault == Fault::kKilledRegistering) {
        CutShort(road);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    const std::wstring folder = FolderOf(road);
    auto front = StartFront(road.front, road.name, road.package, road.sig);
    std::unique_ptr<Port80Recorder> stats;
    if (road.statsServer) {
        stats = std::make_unique<Port80Recorder>(
            "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        ASSERT_TRUE(stats->listening()) << "port 80: " << stats->bindError();
    }
    const size_t proxyLogStart = ReadFileBytes(Env(L"RADU_PROXY_LOG")).size();
    const std::unique_ptr<ProxySettings> proxySettings = SetProxyFor(road);
    if (road.waiting) {
        ASSERT_TRUE(
            CopyFileW(ServedPackage(road.waiting).c_str(), (Temp() + L"VaruPhoneAx.zip").c_str(), FALSE));
    }
    const std::wstring tamperRecord = Temp() + L"radu-tamper.txt";
    DeleteFileW(tamperRecord.c_str());
    SetEnvironmentVariableW(L"RADU_TAMPER_WITH", road.keyed ? ServedPackage("forged").c_str() : nullptr);

    Installer in(L"", SW_SHOWNORMAL, road.keyed ? RADU_KEYED_SETUP_EXE : nullptr);
    ASSERT_NE(in.Dialog(), nullptr);
    ChooseAndInstall(in, road);
    if (road.fault == Fault::kSecondCopy) {
        SecondCopyWhileDownloading(in);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    for (const Box& box : road.boxes) {
        HWND shown = in.WaitForOwnedDialog(60000);
        ASSERT_NE(shown, nullptr) << "no box: " << road.name;
        EXPECT_EQ(TextOf(::GetDlgItem(shown, 0xFFFF)) + L"|" + TextOf(shown), box.text);
        ::PostMessageW(shown, WM_COMMAND, box.answer, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(shown); }, 5000));
    }
    // The finish page, and no box the road does not expect.
    HWND unexpected = nullptr;
    WaitFor([&] { return OnFinishPage(in) || (unexpected = in.WaitForOwnedDialog(0)) != nullptr; }, 60000);
    ASSERT_EQ(unexpected, nullptr) << "box: " << TextOf(::GetDlgItem(unexpected, 0xFFFF)) << "|"
                                   << TextOf(unexpected);
    ASSERT_TRUE(OnFinishPage(in)) << "no finish page";

    ExpectUnpacked(folder, road.package, road.unpacked);
    // Where a keyed install got to unpacking, the writer struck and got nowhere.
    EXPECT_EQ(ReadFileBytes(tamperRecord), road.keyed && road.unpacked != Unpacked::kNothing
                                               ? "write-refused replace-refused delete-refused"
                                               : "");
    ExpectRegistered(folder, road.registered, !road.custom);
    EXPECT_TRUE(DownloadLeftovers().empty());
    EXPECT_EQ(!SegmentTransfers(road.name).empty(), road.segmentsRequested);
    WaitFor([&] { return stats == nullptr || stats->Requests().size() >= road.reports; }, 5000);

    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForExit(), 1005u);
    ExpectReports(stats.get(), road.reports);
    if (road.proxy != Proxy::kNone)
        ExpectProxied(road, proxyLogStart, front.get(), stats.get());
    const std::wstring product = folder + L"VaruPhoneAx\\";
    if (road.started) {
        ASSERT_TRUE(WaitFor([&] { return FileExists(product + L"started.txt"); }, 10000));
        const StartRecord started = ReadStartRecord(product);
        EXPECT_TRUE(SameText(started.path, folder + kProgram)) << "[" << started.path << "]";
    } else {
        EXPECT_FALSE(FileExists(product + L"started.txt"));
    }
    if (road.browserOpened) {
        ASSERT_TRUE(WaitFor([&] { return browser->Started(); }, 10000));
        const std::wstring commandLine = browser->Record().commandLine;
        EXPECT_NE(commandLine.find(L"http://" RADU_PACKAGE_HOST L"/consezip/ZoRiduvUzarizaz.exe"),
                  std::wstring::npos)
            << commandLine;
    } else {
        EXPECT_FALSE(browser->Started());
    }
}

// The shell hands http addresses to a recording stand-in instead of the prefix's browser, and COM is
// ready for reading shortcuts.
class InstallEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        logStart = ReadFileBytes(Env(L"RADU_NGINX_LOG")).size();
        browser = std::make_unique<RecordingBrowser>();
    }
    void TearDown() override {
        StartAfresh();
        browser.reset();
        CoUninitialize();
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new InstallEnvironment);

void PrintTo(const Road& road, std::ostream* out) {
    *out << road.name;
}

class InstallRoad : public ::testing::TestWithParam<Road> {};

TEST_P(InstallRoad, FromTheClickToTheEnd) {
    Drive(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Roads, InstallRoad, ::testing::ValuesIn(kRoads),
                         [](const ::testing::TestParamInfo<Road>& road) { return road.param.name; });

// Closed while downloading `first`; returns the size of the part file it left.
long long CloseWhileDownloading(const char* first) {
    const long long size = static_cast<long long>(ReadFileBytes(ServedPackage(first)).size());
    Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    auto front = StartFront(Front::kSlowRedirect, "closed", first);
    Installer in;
    EXPECT_NE(in.Dialog(), nullptr);
    in.Click(in.Item(kLicence));
    in.Click(in.InstallButton());
    // Part of the package has arrived (and is shown) but not all of it.
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::wstring percent = TextOf(in.Item(kPercent));
            return percent != L"0%" && percent != L"" && percent != L"100%";
        },
        20000));
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
    const std::vector<std::wstring> left = DownloadLeftovers();
    EXPECT_EQ(left,
              (std::vector<std::wstring>{Temp() + L"VaruPhoneAx.zip_0", Temp() + L"VaruPhoneAx.zip_source"}));
    const long long kept = left.empty() ? 0 : static_cast<long long>(ReadFileBytes(left[0]).size());
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, size);
    EXPECT_TRUE(stats.Requests().empty());  // no attempt came to its end
    return kept;
}

// Closed while downloading, and the maker publishes a new package of the same size before the next run:
// the part file of the old one is not joined to the new one's bytes; the new package installs.
TEST(InstallResume, PackageReplacedBetweenTwoRunsInstallsTheNewOne) {
    StartAfresh();
    ASSERT_EQ(ReadFileBytes(ServedPackage("good")).size(), ReadFileBytes(ServedPackage("forged")).size());
    CloseWhileDownloading("good");
    if (::testing::Test::HasFatalFailure())
        return;
    Road road = kRoads[0];
    road.name = "replaced";
    road.package = "forged";
    Drive(road, false);
    const std::vector<Transfer> segments = SegmentTransfers("replaced");
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].range.rfind("bytes=0-", 0), 0u) << segments[0].range;
}

// Closed while downloading: the part file stays, and the next run of the installer goes on from it.
TEST(InstallResume, ClosedWhileDownloadingTheNextRunResumes) {
    StartAfresh();
    const long long size = static_cast<long long>(ReadFileBytes(ServedPackage("good")).size());
    const long long kept = CloseWhileDownloading("good");
    if (::testing::Test::HasFatalFailure())
        return;
    Road road = kRoads[0];
    road.name = "resumed";
    Drive(road, false);
    const std::vector<Transfer> segments = SegmentTransfers("resumed");
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].range.rfind("bytes=" + std::to_string(kept) + "-", 0), 0u) << segments[0].range;
    EXPECT_EQ(segments[0].bytes, size - kept);  // only what was missing went over the wire
}

}  // namespace
}  // namespace radu::test
