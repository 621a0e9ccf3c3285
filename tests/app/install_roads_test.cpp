// The whole install as its user meets it, from the click to the started product, along every road an
// attempt can take: RadurodiSetup.exe driven from outside against real servers on this machine. The
// package address answers from a small front in this program (a redirect that carries the package's
// digest, a 404, or nothing at all); nginx serves the package's bytes; a listener on port 80 takes the
// reports. Each road is checked by what it leaves on disk, in the registry and on the wire.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/accepted_serial.h"
#include "app/product.h"
#include "build_config.h"
#include "common/unique_handle.h"
#include "helper_programs.h"
#include "installer_driver.h"
#include "package_front.h"
#include "product_state.h"
#include "test_service_control.h"
#include "support/planted_links.h"
#include "support/port80_recorder.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

enum : int { kLink = 1003, kStatus = 1009, kPercent = 1010, kClose = 1106, kArrow = 1107, kLicence = 1108 };
enum : int { kFolder = 1109 };
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
            : std::string(package) == "other"  ? L"other-tree\\"
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
const wchar_t kRefusedBox[] = L"未解压完全!512|Error";         // an entry's file could not be created

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
    kShellHangs,         // the user's desktop shell stops answering before the finish button is pressed
    // What a program of the same user can plant where the download once lived, or could live:
    kLinksAtOldNames,       // a link at every name the download took in the temporary folder, each to a
                            // file elsewhere
    kQueueWaiting,          // an earlier report waits in the queue file
    kLongTempPath,          // the temporary folder's path does not fit in 260 units, and a package
                            // waits in the installer's current directory
    kLinkAtDownloadFolder,  // a link at the download folder's name, to a folder with a part file
    // What an ordinary program of the user planted, each pointing at a decoy elsewhere (kDecoy): a link
    kLinkedQueue,            // at the queue file in the temporary folder,
    kLinkedProductFolder,    // at the product's folder in the (custom) install folder,
    kLinkedStartMenu,        // at the product's Start-menu folder in the user's profile.
    kTypedWithoutSeparator,  // the custom folder typed without its final "\"
    kProgramRunning,         // an earlier install is there, its uninstaller running (which is not stopped)
    kPlantedDlls,            // started from a downloads folder that holds a DLL of every name it loads
    kNewerAcceptedFirst,     // the installer with the maker's key first installs the maker's newer package
                             // (the road MakersNewerPackageInstalls): the machine keeps its serial
};

// The user's proxy settings while the road is taken (none outside those roads).
enum class Proxy {
    kNone,
    kFixed,   // the tests' squid as the fixed proxy for every address, loopback included
    kScript,  // a configuration script on nginx naming squid, then a proxy that is not there, then DIRECT
    kScriptLoops,   // a configuration script that never ends, with squid as the fixed proxy beside it
    kScriptSilent,  // a configuration script address whose server never answers, and no fixed proxy
    kBypass,        // squid as the fixed proxy, with a bypass list that names the package server
    kRefuses,       // squid's port that wants credentials (407)
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
    bool readsLicence = false;  // the licence link is clicked first: the terms open in the browser
    // The package whose serial this machine has accepted before the road (kept as an earlier install
    // keeps it), or null for none.
    const char* acceptedBefore = nullptr;
};

constexpr bool Y = true, N = false;
const std::vector<Box> kNoBox;
const std::vector<Box> kFallbackOk = {{kFallbackBox, IDOK}};
const std::vector<Box> kFallbackCancel = {{kFallbackBox, IDCANCEL}};
const std::vector<Box> kBrokenBoxes = {{kExtractorBox, IDOK}, {kUnpackFailedBox, IDOK}};
const std::vector<Box> kDiskFullBoxes = {{kDiskFullBox, IDOK}, {kUnpackFailedBox, IDOK}};
const std::vector<Box> kRefusedBoxes = {{kRefusedBox, IDOK}, {kUnpackFailedBox, IDOK}};

const Sig kNoSig = Sig::kNone, kOwnSig = Sig::kOwn, kMakersSig = Sig::kMakers;

// clang-format off
const Road kRoads[] = {
    // name                              keyed front              package   sig         custom stats waiting
    //                                   boxes            unpacked            registered started reports browser segments
    {"QuickInstall",                     N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone,    Proxy::kNone,       Y},
    {"CustomFolderWithSpacesNoOptions",  N,    Front::kRedirect,  "good",   kNoSig,     Y,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"ServerAnswers404ThenOk",           N,    Front::kNotFound,  "",       kNoSig,     N,     Y,    nullptr,
                                         kFallbackOk,     Unpacked::kNothing, N,         N,      1,      Y,      N},
    {"ServerDownThenCancel",             N,    Front::kDown,      "",       kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      N},
    {"BrokenArchiveWithItsDigest",       N,    Front::kRedirect,  "broken", kNoSig,     N,     Y,    nullptr,
                                         kBrokenBoxes,    Unpacked::kPartly,  Y,         N,      2,      N,      Y},
    // Every registered path and the finish button take the folder the files went to.
    {"CustomFolderTypedWithoutItsSeparator", N, Front::kRedirect, "good",  kNoSig,     Y,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kTypedWithoutSeparator},
    // A file in use is renamed aside (deleted at the next restart) and the new one made at its name.
    {"SecondInstallOverARunningProgram", N,  Front::kRedirect,  "other",  kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kProgramRunning},
    // Networks as users meet them: behind a sign-in portal, nothing is taken for the package; a server
    // name with dead addresses reaches its live one every time; a connection that trickles is given up
    // and its segment resumed; a server that refuses a Range past the end still serves the package.
    {"BehindASignInPortal",              N,    Front::kPortal,    "good",   kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      N},
    {"ServerNameWithDeadAddresses",      N,    Front::kSpreadName, "good",  kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    {"ServerTricklesMidSegment",         N,    Front::kTrickleMidSegment, "good", kNoSig, N,   Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N},
    {"ServerRefusesARangePastTheEnd",    N,    Front::kStrictRanges, "good", kNoSig,    N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N},
    {"PackageAlreadyDownloaded",         N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    "good",
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      N},
    {"StatisticsServerDown",             N,    Front::kRedirect,  "good",   kNoSig,     N,     N,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y},
    // With the maker's key: the maker's signature installs, even with a writer striking after the check;
    // a forger's package with its correct digest is refused unsigned, signed with another key or carrying
    // the maker's signature of other bytes; a package planted in the download folder is checked, deleted
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
    // The maker's serials: a package with a higher one than the last this machine accepted installs, and
    // its serial is kept; once it is, a package the maker signed earlier (a lower serial) is refused.
    {"MakersNewerPackageInstalls",       Y,    Front::kRedirect,  "good",   kOwnSig,    N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone,    Proxy::kNone,       N,         "older"},
    {"MakersEarlierPackageAfterTheNewer", Y,   Front::kRedirect,  "older",  kOwnSig,    N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      Y,
                                         Fault::kNewerAcceptedFirst},
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
    // A script that does not answer is given up within the search's bound, and the download goes the way
    // the settings say next: the fixed proxy, or straight to the server.
    {"ScriptNeverEndsThenFixedProxy",    N,    Front::kRedirectByName, "good", kNoSig,  N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone, Proxy::kScriptLoops},
    {"ScriptServerSilentThenDirect",     N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kNone, Proxy::kScriptSilent},
    // The package does not pass through the temporary folder: a small one does not matter, nor does one
    // too long to hold, nor what is planted there.
    {"TemporaryFolderTooSmall",          N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kFullTemp},
    // The product is started all the same, by the installer itself, once the shell has had its time.
    {"ShellDoesNotAnswer",               N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kShellHangs},
    {"TemporaryFolderPathTooLong",       N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kLongTempPath},
    {"LinksAtTheOldDownloadNames",       N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kLinksAtOldNames},
    // The server names the report queue: the package still lands under its own name, and the queue
    // keeps the earlier report beside this attempt's.
    {"RedirectToTheQueueFilesName",      N,    Front::kQueueNamed, "good",  kNoSig,     N,     N,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      2,      N,      Y,
                                         Fault::kQueueWaiting},
    // Windows removes a link at the folder's name through a handle on the link itself; under Wine every
    // call that removes a Unix symlink by name acts on its target, so no download folder can be had and
    // nothing is downloaded anywhere else.
    {"LinkAtTheDownloadFolder",          N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kFallbackCancel, Unpacked::kNothing, N,         N,      1,      N,      N,
                                         Fault::kLinkAtDownloadFolder},
    // The report is lost rather than written through the link; the product's files are refused rather
    // than written through it.
    {"LinkAtTheQueueFile",               N,    Front::kRedirect,  "good",   kNoSig,     N,     N,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      0,      N,      Y,
                                         Fault::kLinkedQueue},
    {"LinkAtTheProductFolder",           N,    Front::kRedirect,  "good",   kNoSig,     Y,     Y,    nullptr,
                                         kRefusedBoxes,   Unpacked::kNothing, Y,         N,      2,      N,      Y,
                                         Fault::kLinkedProductFolder},
    // The Start-menu links are skipped rather than written through the link; the rest installs.
    {"LinkAtTheStartMenuFolder",         N,    Front::kRedirect,  "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kLinkedStartMenu},
    {"StartedFromDownloadsAmongPlantedDlls", N, Front::kRedirect, "good",   kNoSig,     N,     Y,    nullptr,
                                         kNoBox,          Unpacked::kAll,     Y,         Y,      1,      N,      Y,
                                         Fault::kPlantedDlls},
};
// clang-format on

// What a planted link points at; it must come out of the install as it went in.
const wchar_t kDecoyFolder[] = L"C:\\Radu decoy\\";
const char kDecoyQueue[] = "[Number]\r\nKey=5\r\n";

// What the system is to delete or rename at the next restart (MOVEFILE_DELAY_UNTIL_REBOOT): every path
// named, without the NT prefix the system writes before it, each followed by "|".
std::wstring PendingDeletions() {
    wchar_t data[16384] = L"";
    DWORD bytes = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data,
                     &bytes) != ERROR_SUCCESS)
        return {};
    // Pairs of texts, a path and what it becomes: empty for a deletion (so the list holds empty texts).
    std::wstring all;
    for (const wchar_t *p = data, *end = data + bytes / sizeof(wchar_t); p < end; p += wcslen(p) + 1)
        all += std::wstring(p).substr(std::wstring(p).rfind(L"\\??\\", 0) == 0 ? 4 : 0) + L"|";
    return all;
}

// Forgets everything an earlier install or test left that a road looks at; the serial the installer
// accepted too, unless told to keep it.
void StartAfresh(bool forgetAcceptedSerial = true) {
    if (IsSymbolicLink(StartMenuFolder()))
        RemoveLink(StartMenuFolder());  // removing the folder's tree would empty the link's target
    ForgetProductRegistration();
    if (forgetAcceptedSerial)
        ForgetAcceptedSerial();
    RemoveTree(std::wstring(kDefaultFolder) + L"VaruPhoneAx");
    RemoveTree(kCustomParent);
    RemoveTree(kSmallFolder);
    const std::wstring downloads = DownloadFolder();
    const DWORD attributes = GetFileAttributesW(downloads.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveLink(downloads.substr(0, downloads.size() - 1));
    else
        RemoveTree(downloads);
    const std::wstring queue = Wide(QueueFile());
    if (IsSymbolicLink(queue))
        RemoveLink(queue);  // deleting it would delete its target
    DeleteFileA(QueueFile().c_str());
    RemoveTree(kDecoyFolder);
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
        std::wstring folder = FolderOf(road);
        if (road.fault == Fault::kTypedWithoutSeparator)
            folder.pop_back();
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

void ExpectRegistered(const std::wstring& folder, bool registered, bool options, bool startMenu) {
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
    EXPECT_EQ(FileExists(StartMenuLink()), options && startMenu);
    EXPECT_EQ(FileExists(UninstallerLink()), options && startMenu);
    if (options) {
        EXPECT_EQ(run.text, program);
        EXPECT_EQ(ReadLink(DesktopLink()).target, program);
    }
    if (options && startMenu) {
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
// address, each as a length and its bytes). Removed again when the object goes, with the script's
// server when it has one of its own.
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

    std::unique_ptr<ScriptedHttpServer> scriptServer;

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
        case Proxy::kScript:
        case Proxy::kScriptLoops: {
            // Nothing listens on port 1: a proxy that cannot be reached. (Wine's WinHTTP hands back only
            // the first proxy of an answer, so squid comes first.)
            const std::string pac = std::string("proxy-") + road.name + ".pac";
            const std::string body = road.proxy == Proxy::kScript
                                         ? "return \"PROXY " + proxy + "; PROXY 127.0.0.1:1; DIRECT\";"
                                         : "while (true) {}";
            EXPECT_TRUE(WriteFileBytes(Env(L"RADU_NGINX_ROOT") + L"\\" + Wide(pac),
                                       "function FindProxyForURL(url, host) {\n  " + body + "\n}\n"));
            return std::make_unique<ProxySettings>(road.proxy == Proxy::kScript ? "" : proxy,
                                                   road.proxy == Proxy::kScript ? "" : "<-loopback>",
                                                   NginxUrl("/" + pac));
        }
        case Proxy::kScriptSilent: {
            auto silent = std::make_unique<ScriptedHttpServer>([](const HttpRequest&) {
                HttpReply never;
                never.hold = true;
                return never;
            });
            auto settings = std::make_unique<ProxySettings>("", "", silent->Url("/proxy.pac"));
            settings->scriptServer = std::move(silent);
            return settings;
        }
    }
    return nullptr;
}

// The installer gives up the proxy search after 5 s, and the download's first request follows. The rest is
// room for a loaded machine: here the first request came 0.1 to 0.7 s after the click where no script
// hangs, 5.1 to 5.3 s where one does.
constexpr DWORD kScriptGivenUpMs = 15000;

// The names of the script engine that runs configuration scripts in-process (its file and entry points, in
// ASCII or UTF-16) that the program's bytes hold, each followed by a space: a program that runs no script
// itself has no use for any of them. Under Wine the program's module list cannot show it, as it would on
// Windows: Wine's winhttp.dll imports jsproxy.dll, and its WinHttpGetProxyForUrl runs scripts in the
// calling thread with it and jscript, where Windows' runs them in its auto-proxy service.
std::string ScriptEngineNames(const std::string& program) {
    std::string found;
    for (const std::string name : {"jsproxy", "InternetGetProxyInfo", "InternetInitializeAutoProxyDll"}) {
        std::string wide;
        for (char c : name)
            wide += std::string{c, '\0'};
        if (program.find(name) != std::string::npos || program.find(wide) != std::string::npos)
            found += name + " ";
    }
    return found;
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
    if (road.proxy == Proxy::kScriptSilent) {
        EXPECT_EQ(log.size(), 0u);  // not even the report: Wine's WinINet runs no script
        return;
    }
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
// The test environment's hosts file gives kSpreadHost several addresses.
bool SpreadNameResolves() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    const hostent* entry = gethostbyname(kSpreadHost);
    const bool several =
        entry != nullptr && entry->h_addr_list[0] != nullptr && entry->h_addr_list[1] != nullptr;
    WSACleanup();
    return several;
}

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

// The installer's current directory while it lives (it starts in the directory of this program).
class CurrentDirectoryAt {
  public:
    explicit CurrentDirectoryAt(const std::wstring& folder) {
        wchar_t current[MAX_PATH] = L"";
        ::GetCurrentDirectoryW(MAX_PATH, current);
        saved = current;
        ::SetCurrentDirectoryW(folder.c_str());
    }
    ~CurrentDirectoryAt() { ::SetCurrentDirectoryW(saved.c_str()); }

  private:
    std::wstring saved;
};

const char kEarlierReport[] = "type=100&time=2020-01-02 03:04:05&mac=&apkid=&AdditionalInfo=";

// What a road's fault puts in place before the installer starts: links, each to a file of its own that
// must come through unchanged, a queued report, another temporary folder. Undone when the road ends.
class Plantings {
  public:
    void Plant(Fault fault) {
        const std::string forged = ReadFileBytes(ServedPackage("forged"));
        if (fault == Fault::kLinksAtOldNames) {
            for (const wchar_t* suffix : {L"", L"_0", L"_1", L"_2", L"_3", L"_tmp", L"_join"})
                Link(Temp() + L"VaruPhoneAx.zip" + suffix, elsewhere / (std::wstring(L"target") + suffix),
                     "not to be touched");
        } else if (fault == Fault::kLinkAtDownloadFolder) {
            Link(DownloadFolder().substr(0, DownloadFolder().size() - 1), elsewhere.path(), "");
            Keep(elsewhere / L"VaruPhoneAx.zip_0", forged.substr(0, 300000));
        } else if (fault == Fault::kQueueWaiting) {
            const std::string queue = QueueFile();
            ASSERT_TRUE(WritePrivateProfileStringA("1", "info", kEarlierReport, queue.c_str()));
            ASSERT_TRUE(WritePrivateProfileStringA("1", "UnSend", "1", queue.c_str()));
            ASSERT_TRUE(WritePrivateProfileStringA("Number", "Key", "1", queue.c_str()));
        } else if (fault == Fault::kLongTempPath) {
            // The old fallback for a path too long: the current directory.
            Keep(elsewhere / L"VaruPhoneAx.zip", forged);
            startFolder = std::make_unique<CurrentDirectoryAt>(elsewhere.path());
            longTemp = std::make_unique<TempFolderAt>(L"C:\\" + std::wstring(270, L'x') + L"\\");
        }
        queueWaiting = fault == Fault::kQueueWaiting;
    }
    ~Plantings() {
        for (const Planted& p : links)
            RemoveLink(p.link);
    }

    void ExpectUntouched() const {
        for (const Planted& p : links)
            EXPECT_TRUE(SameText(FinalPath(p.link), p.target))
                << "[" << p.link << "] [" << FinalPath(p.link) << "]";
        for (const Planted& p : files)
            EXPECT_TRUE(ReadFileBytes(p.target) == p.bytes) << "changed: " << p.target;
        if (queueWaiting) {
            char info[256] = "";
            GetPrivateProfileStringA("1", "info", "", info, sizeof info, QueueFile().c_str());
            EXPECT_STREQ(info, kEarlierReport);
        }
    }

  private:
    struct Planted {
        std::wstring link, target;
        std::string bytes;
    };
    void Keep(const std::wstring& file, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(file, bytes));
        files.push_back({L"", file, bytes});
    }
    // A link to `target`, a file written with `bytes` (or a folder when bytes is empty).
    void Link(const std::wstring& link, const std::wstring& target, const std::string& bytes) {
        if (!bytes.empty())
            Keep(target, bytes);
        ASSERT_TRUE(PlantLink(link, target)) << link;
        std::wstring final = target;
        if (final.back() == L'\\')
            final.pop_back();
        links.push_back({link, final, bytes});
    }

    TempDir elsewhere;
    std::vector<Planted> links, files;
    std::unique_ptr<CurrentDirectoryAt> startFolder;
    std::unique_ptr<TempFolderAt> longTemp;
    bool queueWaiting = false;
};

bool PercentBetween(const Installer& in, double low, double high) {
    const std::wstring percent = TextOf(in.Item(kPercent));
    const double value = std::wcstod(percent.c_str(), nullptr);
    return !percent.empty() && value > low && value < high;
}

// An earlier run of the road, killed (not closed) at the road's point: while downloading, in the middle
// of unpacking, or as the shortcuts are being written. What it left proves where it was cut.
// The installer is held where the kill is to strike, so that it strikes there however the machine's load
// delays the test's look: the download trickles, an entry of the middle of the package is held open by this
// program (the extractor waits at its box), and registration is stalled after the program's entries by the
// test build with the maker's key (stall_registration.cpp), which takes the same signed package.
void CutShort(const Road& road) {
    const std::wstring folder = FolderOf(road);
    const bool downloading = road.fault == Fault::kKilledDownloading;
    const bool registering = road.fault == Fault::kKilledRegistering;
    auto front = StartFront(downloading ? Front::kSlowRedirect : Front::kRedirect,
                            std::string(road.name) + "-cut", road.package, registering ? kOwnSig : kNoSig);
    Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    const std::wstring heldEntry = folder + L"VaruPhoneAx\\more\\200.bin";
    UniqueFileHandle held;
    if (road.fault == Fault::kKilledUnpacking) {
        ::CreateDirectoryW((folder + L"VaruPhoneAx").c_str(), nullptr);
        ASSERT_TRUE(::CreateDirectoryW((folder + L"VaruPhoneAx\\more").c_str(), nullptr));
        held.reset(::CreateFileW(heldEntry.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held);
    }
    SetEnvironmentVariableW(L"RADU_TAMPER_WITH", nullptr);
    SetEnvironmentVariableW(L"RADU_STALL_REGISTERING", registering ? L"1" : nullptr);
    Installer in(L"", SW_SHOWNORMAL, registering ? RADU_KEYED_SETUP_EXE : nullptr);
    SetEnvironmentVariableW(L"RADU_STALL_REGISTERING", nullptr);
    ASSERT_NE(in.Dialog(), nullptr);
    ChooseAndInstall(in, road);
    bool reached = false;
    if (downloading) {
        reached = WaitFor([&] { return PercentBetween(in, 0, 100); }, kInstallPatienceMs);
    } else if (road.fault == Fault::kKilledUnpacking) {
        HWND box = in.WaitForOwnedDialog(kInstallPatienceMs);
        reached = box != nullptr && TextOf(::GetDlgItem(box, 0xFFFF)) == L"未解压完全!512";
    } else {
        reached = WaitFor([&] { return FileExists(DesktopLink()); }, kInstallPatienceMs);
    }
    in.Kill();
    if (held) {
        held.reset();
        ::DeleteFileW(heldEntry.c_str());
    }
    ASSERT_TRUE(reached) << "the install never got to where it was to be cut";
    EXPECT_TRUE(stats.Requests().empty());  // no attempt came to its end
    const std::wstring package = DownloadFolder() + L"VaruPhoneAx.zip";
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

// What the quick road loads under Wine after the program's first line (seen with WINEDEBUG=+loaddll): the
// DLLs it delay-loads, what they and the shell load in turn, the picture codecs, WinHTTP, which reads the
// proxy settings (Wine's imports jsproxy, with which it runs configuration scripts in the calling process;
// the road behind a script adds jscript and crypt32), and the proxies of the shell's interfaces that
// starting the product through the user's shell takes. Left out: the names
// Windows takes from its known-DLL list whatever the folder holds (the installer's imports; Wine has no
// such list, so planting them proves nothing here), and version.dll and uxtheme.dll, which Wine's own
// user32 loads before any code of the program runs (Windows' does not).
const wchar_t* const kPlantedNames[] = {L"gdiplus", L"wininet", L"iphlpapi", L"bcrypt",        L"mpr",
                                        L"dnsapi",  L"nsi",     L"winhttp",  L"jsproxy",       L"jscript",
                                        L"crypt32", L"propsys", L"msimg32",  L"windowscodecs", L"actxprxy"};

// The installer copied into a downloads folder beside a DLL of each of those names that leaves a marker
// when it is loaded, with Wine told to take such a file before its built-in DLL.
class PlantedDlls {
  public:
    static constexpr char kProgram[] = "C:\\users\\Public\\Downloads\\radu-planted\\RadurodiSetup.exe";

    PlantedDlls()
        : override(std::vector<std::wstring>(std::begin(kPlantedNames), std::end(kPlantedNames)),
                   L"native,builtin") {
        RemoveTree(kFolder);  // markers an earlier run left
        ::CreateDirectoryW(L"C:\\users\\Public\\Downloads", nullptr);
        ::CreateDirectoryW(kFolder, nullptr);
        EXPECT_TRUE(::CopyFileW(WindowsPath(RADU_SETUP_EXE).c_str(),
                                (kFolder + std::wstring(L"RadurodiSetup.exe")).c_str(), FALSE));
        for (const wchar_t* name : kPlantedNames) {
            EXPECT_TRUE(::CopyFileW(WindowsPath(RADU_PLANTED_DLL).c_str(),
                                    (kFolder + std::wstring(name) + L".dll").c_str(), FALSE));
        }
    }
    ~PlantedDlls() { RemoveTree(kFolder); }

    // The names whose planted copy was loaded, each followed by a space.
    std::string Loaded() const {
        std::string loaded;
        for (const wchar_t* name : kPlantedNames)
            if (FileExists(kFolder + std::wstring(name) + L".dll.loaded"))
                loaded += std::string(name, name + std::wcslen(name)) + " ";
        return loaded;
    }

  private:
    static constexpr wchar_t kFolder[] = L"C:\\users\\Public\\Downloads\\radu-planted\\";
    WineDllOverride override;
};

// A copy of itself started while the installer downloads: it must show the running one (restored from
// the task bar) and end at once, leaving the product's service and processes alone.
void SecondCopyWhileDownloading(Installer& in) {
    ASSERT_TRUE(WaitFor([&] { return PercentBetween(in, 0, 100); }, kInstallPatienceMs));
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

    EXPECT_EQ(RunInstallerToEnd(kPatienceMs), 183u);
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(in.Dialog()); }, kPatienceMs));
    EXPECT_EQ(::GetForegroundWindow(), in.Dialog());
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(::WaitForSingleObject(adbProcess.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(adbProcess.get(), 0);
    ::WaitForSingleObject(adbProcess.get(), kPatienceMs);
}

// The process of the user's desktop shell, which starts what the installer hands it: under Wine the one
// the desktop window belongs to.
DWORD ShellProcess() {
    DWORD process = 0;
    ::GetWindowThreadProcessId(::GetDesktopWindow(), &process);
    return process;
}

// While it lives, the desktop shell answers no call from another process, as a hung one would: every
// thread of its process is suspended but the desktop window's (which programs that open windows go on
// needing under Wine).
class UnansweringShell {
  public:
    UnansweringShell() {
        DWORD shell = 0;
        const DWORD desktopThread = ::GetWindowThreadProcessId(::GetDesktopWindow(), &shell);
        const UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot.get(), &entry); more;
             more = Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != shell || entry.th32ThreadID == desktopThread)
                continue;
            UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
            if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1))
                suspended.push_back(std::move(thread));
        }
        EXPECT_FALSE(suspended.empty()) << "no thread of the shell's process " << shell << " to suspend";
    }
    ~UnansweringShell() {
        for (const UniqueKernelHandle& thread : suspended)
            ::ResumeThread(thread.get());
    }
    UnansweringShell(const UnansweringShell&) = delete;
    UnansweringShell& operator=(const UnansweringShell&) = delete;

  private:
    std::vector<UniqueKernelHandle> suspended;
};

// Takes one road from the start of the installer to its end, and checks what it left. `afresh` false
// keeps what an earlier run left.
void Drive(const Road& road, bool afresh = true) {
    const bool smallVolume = road.fault == Fault::kFullInstallVolume || road.fault == Fault::kFullTemp;
    if (road.front == Front::kSpreadName && !SpreadNameResolves())
        GTEST_SKIP() << kSpreadHost << " does not resolve to several addresses (the test environment names "
                     << "it in a hosts file only in a mount namespace of its own, as scripts/test runs it)";
    if (smallVolume && !SmallVolumeReady())
        GTEST_SKIP() << "no small volume as drive S: (the test environment mounts one only in a mount "
                        "namespace of its own, as scripts/test runs it)";
    std::unique_ptr<TempFolderAt> smallTemp;
    if (road.fault == Fault::kFullTemp)
        smallTemp = std::make_unique<TempFolderAt>(kSmallTemp);
    if (afresh)
        StartAfresh();
    if (road.fault == Fault::kNewerAcceptedFirst) {
        for (Road newer : kRoads) {
            if (std::strcmp(newer.name, "MakersNewerPackageInstalls") != 0)
                continue;
            const std::string name = std::string(road.name) + "-newer";
            newer.name = name.c_str();
            Drive(newer);
        }
        if (::testing::Test::HasFatalFailure())
            return;
        StartAfresh(false);
    }
    if (road.fault == Fault::kKilledDownloading || road.fault == Fault::kKilledUnpacking ||
        road.fault == Fault::kKilledRegistering) {
        CutShort(road);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    const std::wstring folder = FolderOf(road);
    const std::wstring decoy = std::wstring(kDecoyFolder) + L"FBResult.ini";
    ASSERT_TRUE(::CreateDirectoryW(kDecoyFolder, nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    if (road.fault == Fault::kLinkedQueue) {
        ASSERT_TRUE(WriteFileBytes(decoy, kDecoyQueue));
        ASSERT_TRUE(PlantLink(Wide(QueueFile()), decoy));
    } else if (road.fault == Fault::kLinkedProductFolder) {
        ::CreateDirectoryW(kCustomParent, nullptr);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(PlantLink(folder + L"VaruPhoneAx", kDecoyFolder));
    } else if (road.fault == Fault::kLinkedStartMenu) {
        ASSERT_TRUE(PlantLink(StartMenuFolder(), kDecoyFolder));
    }
    // The earlier install's files, its uninstaller a program that keeps running (its file mapped).
    UniqueKernelHandle running;
    const std::wstring runningProgram = folder + kUninstaller;
    if (road.fault == Fault::kProgramRunning) {
        const std::wstring tree = PackageTree("good");
        for (const FoundFile& file : ListFiles(tree)) {
            const std::wstring target = folder + file.path.substr(tree.size());
            for (size_t at = folder.size(); (at = target.find(L'\\', at + 1)) != std::wstring::npos;)
                CreateDirectoryW(target.substr(0, at).c_str(), nullptr);
            ASSERT_TRUE(CopyFileW(file.path.c_str(), target.c_str(), FALSE));
        }
        ASSERT_TRUE(CopyFileW(HelperProgram(L"radu_idle_child.exe").c_str(), runningProgram.c_str(), FALSE));
        PROCESS_INFORMATION started = {};
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::wstring command = L"\"" + runningProgram + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &started));
        ::CloseHandle(started.hThread);
        running.reset(started.hProcess);
    }
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
        ASSERT_TRUE(MakeDownloadFolder());
        ASSERT_TRUE(CopyFileW(ServedPackage(road.waiting).c_str(),
                              (DownloadFolder() + L"VaruPhoneAx.zip").c_str(), FALSE));
    }
    Plantings planted;
    planted.Plant(road.fault);
    if (::testing::Test::HasFatalFailure())
        return;
    if (road.acceptedBefore)
        SetAcceptedSerial(ServedSerial(road.acceptedBefore));
    const uint64_t acceptedBefore = AcceptedSerial();
    const std::wstring tamperRecord = Temp() + L"radu-tamper.txt";
    DeleteFileW(tamperRecord.c_str());
    SetEnvironmentVariableW(L"RADU_TAMPER_WITH", road.keyed ? ServedPackage("forged").c_str() : nullptr);

    std::unique_ptr<PlantedDlls> plantedDlls;
    if (road.fault == Fault::kPlantedDlls)
        plantedDlls = std::make_unique<PlantedDlls>();
    Installer in(L"", SW_SHOWNORMAL,
                 plantedDlls  ? PlantedDlls::kProgram
                 : road.keyed ? RADU_KEYED_SETUP_EXE
                              : nullptr);
    if (plantedDlls) {
        EXPECT_EQ(plantedDlls->Loaded(), "") << "planted DLLs loaded as the installer started";
    }
    ASSERT_NE(in.Dialog(), nullptr);
    if (road.readsLicence) {
        in.MouseClick(in.Item(kLink));
        ASSERT_TRUE(WaitFor([&] { return browser->Started(); }, kPatienceMs));
        const StartRecord opened = browser->Record();
        EXPECT_NE(opened.commandLine.find(L"http://" RADU_PACKAGE_HOST L"/terms.html"), std::wstring::npos)
            << opened.commandLine;
        EXPECT_EQ(opened.parentId, ShellProcess()) << opened.parentName;  // as the user
        browser->Forget();
    }
    ChooseAndInstall(in, road);
    if (road.proxy == Proxy::kScriptLoops || road.proxy == Proxy::kScriptSilent) {
        const DWORD clicked = ::GetTickCount();
        ASSERT_NE(front, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !front->Requests().empty(); }, kScriptGivenUpMs))
            << "the first request came no sooner than " << ::GetTickCount() - clicked
            << " ms after the click";
    }
    if (road.proxy == Proxy::kScript) {
        EXPECT_EQ(ScriptEngineNames(ReadFileBytes(WindowsPath(RADU_SETUP_EXE))), "");
    }
    if (road.fault == Fault::kSecondCopy) {
        SecondCopyWhileDownloading(in);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    for (const Box& box : road.boxes) {
        HWND shown = in.WaitForOwnedDialog(kInstallPatienceMs);
        ASSERT_NE(shown, nullptr) << "no box: " << road.name;
        EXPECT_EQ(TextOf(::GetDlgItem(shown, 0xFFFF)) + L"|" + TextOf(shown), box.text);
        ::PostMessageW(shown, WM_COMMAND, box.answer, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(shown); }, kPatienceMs));
    }
    // The finish page, and no box the road does not expect.
    HWND unexpected = nullptr;
    WaitFor([&] { return OnFinishPage(in) || (unexpected = in.WaitForOwnedDialog(0)) != nullptr; },
            kInstallPatienceMs);
    ASSERT_EQ(unexpected, nullptr) << "box: " << TextOf(::GetDlgItem(unexpected, 0xFFFF)) << "|"
                                   << TextOf(unexpected);
    ASSERT_TRUE(OnFinishPage(in)) << "no finish page";

    ExpectUnpacked(folder, road.package, road.unpacked);
    if (running) {
        // Still running from its old file, which the system deletes at the next restart.
        EXPECT_EQ(::WaitForSingleObject(running.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        ::TerminateProcess(running.get(), 0);
        ::WaitForSingleObject(running.get(), kPatienceMs);
        EXPECT_NE(PendingDeletions().find(runningProgram + L"."), std::wstring::npos) << runningProgram;
    }
    // Where a keyed install got to unpacking, the writer struck and got nowhere.
    EXPECT_EQ(ReadFileBytes(tamperRecord), road.keyed && road.unpacked != Unpacked::kNothing
                                               ? "write-refused replace-refused delete-refused"
                                               : "");
    ExpectRegistered(folder, road.registered, !road.custom, road.fault != Fault::kLinkedStartMenu);
    if (road.fault != Fault::kLinkAtDownloadFolder) {
        EXPECT_TRUE(DownloadLeftovers().empty());
    }
    EXPECT_EQ(!SegmentTransfers(road.name).empty(), road.segmentsRequested);
    if (road.front == Front::kTrickleMidSegment) {
        // The trickling connection was given up, and the segment went on from its part file.
        const std::vector<HttpRequest> requests = front->Requests();
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const HttpRequest& r) {
            long long first = 0, last = 0;
            return r.Range(&first, &last) && first > 0;
        }));
    }
    WaitFor([&] { return stats == nullptr || stats->Requests().size() >= road.reports; }, kPatienceMs);

    // What the user goes on using is started by the user's shell, with the user's token; only where the
    // shell does not answer, by the installer after a bounded wait (the shell still hangs as it ends).
    std::unique_ptr<UnansweringShell> hungShell;
    if (road.fault == Fault::kShellHangs)
        hungShell = std::make_unique<UnansweringShell>();
    const DWORD starter = hungShell ? ::GetProcessId(in.process()) : ShellProcess();
    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForExit(), 1005u);
    hungShell.reset();
    if (road.fault != Fault::kLinkAtDownloadFolder) {
        EXPECT_FALSE(DirExists(DownloadFolder()));  // it goes once empty
    }
    planted.ExpectUntouched();
    // A package the installer with the key accepts lifts the serial kept on the machine to its own, in a
    // key it makes for administrators only; nothing else changes it.
    const bool accepted = road.keyed && road.unpacked != Unpacked::kNothing;
    EXPECT_EQ(AcceptedSerial(), accepted ? ServedSerial(road.package) : acceptedBefore);
    if (accepted && acceptedBefore == 0) {
        EXPECT_EQ(AcceptedSerialKeySddl(), kAcceptedSerialSddl);
    }
    if (road.fault != Fault::kLinkedQueue)  // there the queue file is the decoy's, and stays so (below)
        ExpectReports(stats.get(), road.reports);
    if (road.proxy != Proxy::kNone)
        ExpectProxied(road, proxyLogStart, front.get(), stats.get());
    // Nothing reached the decoy: not the queue, not a file of the product.
    EXPECT_EQ(ReadFileBytes(decoy), road.fault == Fault::kLinkedQueue ? kDecoyQueue : "");
    EXPECT_EQ(ListFiles(kDecoyFolder).size(), road.fault == Fault::kLinkedQueue ? 1u : 0u);
    const std::wstring product = folder + L"VaruPhoneAx\\";
    if (road.started) {
        ASSERT_TRUE(WaitFor([&] { return FileExists(product + L"started.txt"); }, kPatienceMs));
        const StartRecord started = ReadStartRecord(product);
        EXPECT_TRUE(SameText(started.path, folder + kProgram)) << "[" << started.path << "]";
        EXPECT_EQ(started.parentId, starter) << started.parentName;
    } else {
        EXPECT_FALSE(FileExists(product + L"started.txt"));
    }
    if (road.browserOpened) {
        ASSERT_TRUE(WaitFor([&] { return browser->Started(); }, kPatienceMs));
        const StartRecord opened = browser->Record();
        EXPECT_NE(opened.commandLine.find(L"http://" RADU_PACKAGE_HOST L"/consezip/ZoRiduvUzarizaz.exe"),
                  std::wstring::npos)
            << opened.commandLine;
        EXPECT_EQ(opened.parentId, ShellProcess()) << opened.parentName;
    } else {
        EXPECT_FALSE(browser->Started());
    }
    if (plantedDlls) {
        EXPECT_EQ(plantedDlls->Loaded(), "") << "planted DLLs loaded while the installer ran";
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
        kInstallPatienceMs));
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
    const std::vector<std::wstring> left = DownloadLeftovers();
    EXPECT_EQ(left, (std::vector<std::wstring>{DownloadFolder() + L"VaruPhoneAx.zip_0",
                                               DownloadFolder() + L"VaruPhoneAx.zip_source"}));
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
