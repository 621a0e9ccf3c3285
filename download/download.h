// Parts: download_file.cpp (DownloadFile, DownloadNamedFile, DeleteDownload, CreateDirectoryTree),
// signed_download.cpp (DownloadSignedFile). The download engine's public face: one call that downloads an
// "http://" address into a folder, the callback it reports through, its result codes, and two file helpers.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"
#include "download/signature_text.h"

namespace radu {

// Events of one download. The engine never deletes the receiver.
class IDownloadCallBack {
  public:
    // Called on a segment thread after every block received and written, one call at a time.
    // Answers a ProgressAnswer (any other value goes on). percent is 0..100 of the whole resource;
    // speed is KiB/s over the last 4-second window.
    virtual int OnProgress(unsigned totalSize, int percent, unsigned speed, int userData) = 0;
    // Called once, on the caller's thread, before the transfer starts.
    virtual void OnTargetPath(const wchar_t* path, int userData) = 0;
    // Called by a segment thread after each connection attempt when userData is not 0; the address is
    // empty when the host name could not be resolved.
    virtual void OnServerAddress(const wchar_t* address, int userData) = 0;
};

// What OnProgress answers.
enum ProgressAnswer : int {
    kProgressGoOn = 0,
    kProgressStop = 1,            // keep the part files: a later download resumes from them
    kProgressStopAndDiscard = 2,  // delete the part files of the stopped segments
};

enum DownloadResult : int {
    kDownloadOk = 1,              // downloaded, joined and, when a digest was given, verified
    kDownloadHttpRefused = 2,     // the server refused the request (404, 403, or an unusable status)
    kDownloadBadAddress = 4,      // no host, path or file name (also after a fifth redirect)
    kDownloadStopped = 5,         // OnProgress asked to stop
    kDownloadDigestMismatch = 6,  // the target's MD5 differs from the expected one; target deleted
    kDownloadTargetExists = 7,    // the target was already there (matching the digest, when one is given)
    kDownloadNoStopEvent = 8,
    kDownloadCannotCreateTarget = 9,
    kDownloadCannotReadPart = 10,
    kDownloadCannotWritePart = 11,
    kDownloadBadDestination = 12,  // address or destination missing, the folder could not be made, or the
                                   // file's name (the server's or the caller's) is not a plain name in the
                                   // destination
    kDownloadNoHeader = 14,        // not one byte of a response header arrived
    kDownloadSendFailed = 15,
    kDownloadBroken = 16,        // a connection failed or closed before its segment was complete
    kDownloadNoConnection = 18,  // also the result when the size could not be learnt
    kDownloadBadRedirect = 19,   // 301/302 without a usable Location
    kDownloadNoThread = 20,
    kDownloadNoMemory = 21,
    kDownloadBadSignature = 22,  // the maker's signed statement is missing, malformed or does not verify
                                 // over the target (a fresh one, or one already there and then fetched
                                 // anew), or its serial is too low; the target was deleted
    kDownloadProxyAuthentication = 23,  // the proxy wants credentials (407); none are offered
    kDownloadProxyUnreachable = 24,     // no proxy the settings name could be reached
    kDownloadProxyGateway = 25,         // the proxy could not reach the server (502, 503 or 504)
    kDownloadNoDigest = 26,  // the final address carries no usable digest: not the maker's package (a
                             // sign-in portal's page, say); nothing was transferred
};

// Downloads address into destination (a folder prefix that normally ends with "\"), blocking until the
// transfer has ended. With extensionMode the target is destination + "." + the file name's extension.
// Returns one of the codes above; 1 and 7 mean the target is in place.
int DownloadFile(const wchar_t* address, const wchar_t* destination, IDownloadCallBack* callback,
                 int userData, BOOL multiSegment, BOOL overwrite, BOOL extensionMode);

// DownloadFile with the target named by the caller: destination + fileName, whatever the final address's
// last segment says, so that a server (or anyone who can answer in its place) cannot pick which file in
// the destination is created, resumed, truncated or deleted. fileName must be a plain file name and the
// destination must not be empty, or nothing is written (12). The final address still needs a host, a path
// and a file name (4).
int DownloadNamedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                      IDownloadCallBack* callback, int userData, BOOL multiSegment, BOOL overwrite);

// DownloadNamedFile (no overwriting) for a file that is taken only as its address's digest says: the
// maker's server always hands out the package's MD5 ("md5=" in the final address). A final address
// without one, or with one that is not 32 hexadecimal digits, is not the maker's (behind a sign-in portal,
// every address ends at the portal's page): nothing is transferred, no file already there is used, and
// the result is kDownloadNoDigest.
int DownloadDigestedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                         IDownloadCallBack* callback, int userData, BOOL multiSegment);

// DownloadNamedFile (no overwriting) for a file that is accepted only with the maker's signed statement
// about it: the final address carries the package's serial ("serial=", see signature_text.h) and the
// maker's signature ("sig=", base64url of the DER form) over the statement binding that serial to the
// SHA-256 of the target's bytes; it must verify with trust.key, and the serial must reach trust.floor and
// trust.accepted. The target is checked through a handle that refuses writers, renaming and deletion; on 1
// or 7 that handle is handed to the caller in held, so that what was checked cannot change while the
// handle lives. check tells what the last check saw (kNotChecked when none ran). A target already there
// that fails is deleted and fetched once more. Any failure of the check deletes the target with its part
// files and returns kDownloadBadSignature; other failures return DownloadFile's codes, with held empty.
int DownloadSignedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                       IDownloadCallBack* callback, int userData, BOOL multiSegment,
                       const PackageTrust& trust, UniqueFileHandle& held, PackageCheck& check);

// Deletes a downloaded file and its part files ("<path>_0", "<path>_1", ... up to the first gap, and
// "<path>_tmp"), the record of what the part files are of ("<path>_source"), and a join that did not
// finish ("<path>_join"). Returns 1, or 0 for a null path.
int DeleteDownload(const wchar_t* path);

// Creates a folder with every missing level above it. True when the folder exists afterwards.
bool CreateDirectoryTree(const wchar_t* path, SECURITY_ATTRIBUTES* security);

}  // namespace radu
