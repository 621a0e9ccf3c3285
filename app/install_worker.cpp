// The install worker thread and the download callback it hands to the engine.
#include "app/install_worker.h"

#include "app/accepted_serial.h"
#include "app/download_folder.h"
#include "app/install_messages.h"
#include "app/package_key.h"
#include "app/product.h"
#include "extract/extract.h"

#include <memory>
#include <utility>

namespace radu {

int CDriverDownloadCallBack::OnProgress(unsigned, int percent, unsigned, int) {
    const DWORD now = ::GetTickCount();
    if (!ProgressPostDue(now, lastPostTick))
        return kProgressGoOn;
    lastPostTick = now;
    if (hwnd != nullptr)
        ::PostMessageW(hwnd, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(percent), 0);
    return kProgressGoOn;
}

void (*afterPackageCheck)(const wchar_t* packagePath) = nullptr;

namespace {
LONG jobsAlive = 0;
}  // namespace

InstallJob::InstallJob(HWND w, std::wstring folder) : window(w), installFolder(std::move(folder)) {
    ::InterlockedIncrement(&jobsAlive);
}

InstallJob::~InstallJob() {
    ::InterlockedDecrement(&jobsAlive);
}

bool AnInstallWorkerRuns() {
    return ::InterlockedCompareExchange(&jobsAlive, 0, 0) != 0;
}

std::wstring DownloadedPackagePath() {
    const std::wstring folder = ExistingDownloadFolder();
    return folder.empty() ? folder : folder + kPackageFileName;
}

DWORD WINAPI InstallWorker(void* parameter) {
    const std::unique_ptr<InstallJob> job(static_cast<InstallJob*>(parameter));
    const HWND window = job->window;
    const std::wstring& installFolder = job->installFolder;

    CDriverDownloadCallBack callback(window);
    // The package lands in the installer's own download folder under its own name, whatever the address's
    // redirects end in; one already there from an earlier attempt is used as it is (7). Without a usable
    // folder nothing is downloaded anywhere else (12).
    // Without a key the package is taken only with the digest the maker's server hands out with it (an
    // address that ends without one, as behind a sign-in portal, is not the maker's). A build with the
    // maker's key takes the package only with the maker's signed statement about it, at a serial no lower
    // than the build's floor or than any this machine has accepted, and holds it open, refusing writers,
    // from the check to its last entry: the bytes checked are the bytes unpacked.
    const PackageKey* key = BuiltInPackageKey();
    const std::wstring folder = PrepareDownloadFolder();
    const std::wstring package = folder + kPackageFileName;
    UniqueFileHandle checked;
    int result = kDownloadBadDestination;
    if (!folder.empty()) {
        if (key) {
            PackageTrust trust;
            trust.key = *key;
            trust.floor = BuiltInSerialFloor();
            trust.accepted = HighestAcceptedSerial();
            PackageCheck check;
            result = DownloadSignedFile(kPackageAddress, folder.c_str(), kPackageFileName, &callback, 0, TRUE,
                                        trust, checked, check);
            // Accepted: from now on no earlier package is. Should the value not be written, this install
            // goes on; only the next one lacks the mark.
            if (checked)
                RaiseAcceptedSerial(check.serial);
        } else {
            result =
                DownloadDigestedFile(kPackageAddress, folder.c_str(), kPackageFileName, &callback, 0, TRUE);
        }
    }
    if (result == kDownloadOk || result == kDownloadTargetExists) {
        ::PostMessageW(window, WM_UNPACK_BEGIN, 0, 0);
        // Posts a progress message per entry, a failure message when it gives up, and the end message.
        if (key) {
            if (afterPackageCheck)
                afterPackageCheck(package.c_str());
            extractPackage(std::move(checked), installFolder.c_str(), window);
        } else {
            extractPackage(package.c_str(), installFolder.c_str(), window);
        }
    } else {
        ::PostMessageW(window, WM_DOWNLOAD_FAILED, 7, 0);
    }
    return 0;
}

}  // namespace radu
