// The download job for a package that must carry the maker's signed statement.
#include "download/download.h"
#include "download/download_job.h"
#include "download/signature_check.h"

namespace radu {

namespace {

// Opens the target for reading only, refusing every writer, renaming and deletion while the handle lives
// (and failing when someone already has it open for writing), and checks it through that handle.
UniqueFileHandle OpenChecked(const DownloadOutcome& outcome, const PackageTrust& trust, PackageCheck& check) {
    UniqueFileHandle file(::CreateFileW(outcome.target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    check = CheckPackage(file.get(), outcome.finalAddress, trust);
    if (check.verdict != PackageVerdict::kAccepted)
        file.reset();
    return file;
}

}  // namespace

int DownloadSignedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                       IDownloadCallBack* callback, int userData, BOOL multiSegment,
                       const PackageTrust& trust, UniqueFileHandle& held, PackageCheck& check) {
    held.reset();
    check = PackageCheck();
    // A file already there is checked like a fresh one; when it fails it goes, and the second round
    // fetches the package anew.
    for (int round = 0; round < 2; ++round) {
        DownloadOutcome outcome =
            RunDownloadJob(address, destination, fileName, callback, userData, multiSegment, FALSE, FALSE);
        if (outcome.result != kDownloadOk && outcome.result != kDownloadTargetExists)
            return outcome.result;
        held = OpenChecked(outcome, trust, check);
        if (held)
            return outcome.result;
        DeleteDownload(outcome.target.c_str());
        if (outcome.result == kDownloadOk)
            break;
    }
    return kDownloadBadSignature;
}

}  // namespace radu
