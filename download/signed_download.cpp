// The download job for a package that must carry the maker's signature.
#include "download/download.h"
#include "download/download_job.h"
#include "download/signature_check.h"

namespace radu {

namespace {

// Opens the target for reading only, refusing every writer, renaming and deletion while the handle lives
// (and failing when someone already has it open for writing), and checks it through that handle.
UniqueFileHandle OpenChecked(const DownloadOutcome& outcome, const PackageKey& key) {
    RawSignature signature;
    if (!SignatureFromAddress(outcome.finalAddress, signature))
        return {};
    UniqueFileHandle file(::CreateFileW(outcome.target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file || !VerifyFileSignature(file.get(), signature, key))
        return {};
    return file;
}

}  // namespace

int DownloadSignedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                       IDownloadCallBack* callback, int userData, BOOL multiSegment, const PackageKey& key,
                       UniqueFileHandle& held) {
    held.reset();
    // A file already there is checked like a fresh one; when it fails it goes, and the second round
    // fetches the package anew.
    for (int round = 0; round < 2; ++round) {
        DownloadOutcome outcome =
            RunDownloadJob(address, destination, fileName, callback, userData, multiSegment, FALSE, FALSE);
        if (outcome.result != kDownloadOk && outcome.result != kDownloadTargetExists)
            return outcome.result;
        held = OpenChecked(outcome, key);
        if (held)
            return outcome.result;
        DeleteDownload(outcome.target.c_str());
        if (outcome.result == kDownloadOk)
            break;
    }
    return kDownloadBadSignature;
}

}  // namespace radu
