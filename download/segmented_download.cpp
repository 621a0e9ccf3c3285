// The segmented transfer of CHttpGet: one thread per byte range writing into its part file, resumed from
// what is already on disk, then the parts joined into the target and the target verified.
#include <process.h>
#include <share.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "common/plain_text.h"
#include "download/file_wrapper.h"
#include "download/http_get.h"
#include "download/md5_file.h"
#include "download/segment_plan.h"

namespace radu {

namespace {

constexpr int kAttempts = 7;
constexpr DWORD kRetryDelayMs = 500;
constexpr DWORD kStopPollMs = 50;
constexpr int kReceiveBuffer = 65536;

unsigned __stdcall SegmentThread(void* argument) {
    auto* task = static_cast<SegmentTask*>(argument);
    task->owner->SegmentWorker(task);
    return 0;
}

// Hexadecimal digests compare without regard to the case of A to Z; nothing else is folded or trimmed.
bool SameDigest(const std::wstring& a, const std::wstring& b) {
    return SameIgnoringAsciiCase(a, b);
}

// Resumes the suspended threads and waits until every one has ended.
void RunToEnd(const UniqueKernelHandle* threads, int count) {
    for (int i = 0; i < count; ++i)
        ::ResumeThread(threads[i].get());
    for (int i = 0; i < count; ++i)
        ::WaitForSingleObject(threads[i].get(), INFINITE);
}

// A part record holds its identity text as it is in memory; anything longer is not one of ours.
std::wstring ReadPartRecord(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    wchar_t text[2048];
    DWORD got = 0;
    if (!file || !::ReadFile(file.get(), text, sizeof text, &got, nullptr) || got == sizeof text)
        return {};
    return std::wstring(text, got / sizeof(wchar_t));
}

void WritePartRecord(const std::wstring& path, const std::wstring& identity) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(identity.size() * sizeof(wchar_t));
    if (!file || !::WriteFile(file.get(), identity.data(), size, &written, nullptr) || written != size) {
        file.reset();
        ::DeleteFileW(path.c_str());  // a record cut short would only ever fail to match
    }
}

// Every part file a download of target can have left, numbered or not.
void DeletePartFiles(const std::wstring& target) {
    CFileWrapper files;
    for (int i = 0; i < kMaxSegments || files.IsFile(PartFileName(target, i, true).c_str()); ++i)
        ::DeleteFileW(PartFileName(target, i, true).c_str());
    ::DeleteFileW(PartFileName(target, 0, false).c_str());
}

}  // namespace

bool CHttpGet::Run(const std::wstring& host, const std::wstring& path, const std::wstring& /*fileName*/,
                   const std::wstring& targetPath, const std::wstring& expectedDigest, int port) {
    if (!ProbeSize(host, path, port))
        return false;
    if (DownloadSegments(host, port, path, targetPath, expectedDigest))
        return true;
    if (resultCode != kDownloadDigestMismatch || !resumedParts)
        return false;
    // Bytes kept from an earlier attempt joined into something else than the package (a part file
    // changed on disk, or a server that served other bytes under the same name and size): once more,
    // from nothing, before the mismatch counts.
    DeletePartFiles(targetPath);
    completedSegments = 0;
    downloaded = 0;
    resumedParts = false;
    return DownloadSegments(host, port, path, targetPath, expectedDigest);
}

void CHttpGet::ReleaseSegments() {
    segments.reset();
    segmentCount = 0;
}

bool CHttpGet::DownloadSegments(const std::wstring& host, int port, const std::wstring& path,
                                const std::wstring& targetPath, const std::wstring& expectedDigest) {
    CFileWrapper files;
    if (files.IsFile(targetPath.c_str())) {
        // A target that is there is used as it is, unless the address names a digest it does not have:
        // then it is not the package asked for (an earlier, different one, or bytes of a broken download)
        // and it is fetched anew.
        if (!overwrite &&
            (expectedDigest.empty() || SameDigest(Md5OfFile(targetPath.c_str()), expectedDigest))) {
            resultCode = kDownloadTargetExists;
            return true;
        }
        ::DeleteFileW(targetPath.c_str());
    }

    // Part files are resumed only when the record beside them says they are of this very package (by
    // its digest, or its address, with its size): the package behind an address can change between two
    // attempts, and its bytes must never be joined to an earlier one's. Without a record they are of an
    // unknown package and go as well.
    const std::wstring record = PartRecordName(targetPath);
    const std::wstring identity =
        PartIdentity(RequestTarget(true, host, port, path), expectedDigest, totalSize, probeTag);
    if (ReadPartRecord(record) != identity)
        DeletePartFiles(targetPath);
    WritePartRecord(record, identity);
    resumedParts = false;
    for (int i = 0; i < kMaxSegments; ++i)
        resumedParts = resumedParts || files.GetSize(PartFileName(targetPath, i, true).c_str()) > 0;

    stopEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent) {
        resultCode = kDownloadNoStopEvent;
        return false;
    }

    const int n = SegmentCount(totalSize, multiSegment != FALSE, rangesSupported != FALSE);
    segments.reset(new (std::nothrow) SegmentTask[n]);
    std::unique_ptr<UniqueKernelHandle[]> threads(new (std::nothrow) UniqueKernelHandle[n]);
    if (!segments || !threads) {
        ReleaseSegments();
        resultCode = kDownloadNoMemory;
        return false;
    }
    segmentCount = n;

    std::vector<SegmentRange> plan = PlanSegments(totalSize, n);
    for (int i = 0; i < n; ++i) {
        SegmentTask& task = segments[i];
        task.host = host;
        task.port = port;
        task.path = path;
        task.partFile = PartFileName(targetPath, i, rangesSupported != FALSE);
        task.ranged = rangesSupported;
        task.owner = this;
        task.first = plan[i].first;
        task.end = plan[i].end;
        threads[i].reset(createThread(SegmentThread, &task));
        if (!threads[i]) {
            // The threads made so far have not started. They run on the table, so they are started in a
            // mode that ends them at once and are waited for before the table goes.
            resultCode = kDownloadNoThread;
            ::InterlockedExchange(&abandoned, 1);
            RunToEnd(threads.get(), i);
            ReleaseSegments();
            return false;
        }
    }

    RunToEnd(threads.get(), n);

    if (completedSegments < n) {
        ReleaseSegments();
        return false;  // resultCode holds the last code a segment wrote
    }

    // Joined under a name of its own, and given the target's name only when complete and verified.
    const std::wstring joining = JoiningFileName(targetPath);
    UniqueStdioFile target(::_wfsopen(joining.c_str(), L"wb", _SH_DENYNO));
    if (!target) {
        ReleaseSegments();
        resultCode = kDownloadCannotCreateTarget;
        return false;
    }
    std::setvbuf(target.get(), nullptr, _IOFBF, 1 << 20);
    bool joined = true;
    for (int i = 0; i < n; ++i) {
        if (!AppendSegment(segments[i], target.get()))
            joined = false;
    }
    // A target that could not be written completely (a full disk, say) must not pass for a download.
    // fclose writes what is still buffered and reports whether that failed, so the stream is closed here
    // rather than by its owner, which would drop the answer.
    bool written = !std::ferror(target.get());
    if (std::fclose(target.release()) != 0)
        written = false;
    for (int i = 0; i < n; ++i)
        ::DeleteFileW(segments[i].partFile.c_str());
    ::DeleteFileW(record.c_str());

    if (!joined || !written) {
        ::DeleteFileW(joining.c_str());
        ReleaseSegments();
        if (!written && joined)
            resultCode = kDownloadCannotCreateTarget;
        return false;
    }

    if (!expectedDigest.empty() && !SameDigest(Md5OfFile(joining.c_str()), expectedDigest)) {
        ::DeleteFileW(joining.c_str());
        ReleaseSegments();
        resultCode = kDownloadDigestMismatch;
        return false;
    }
    if (!::MoveFileExW(joining.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(joining.c_str());
        ReleaseSegments();
        resultCode = kDownloadCannotCreateTarget;
        return false;
    }

    ReleaseSegments();
    resultCode = kDownloadOk;
    return true;
}

bool CHttpGet::AppendSegment(const SegmentTask& task, std::FILE* target) {
    UniqueStdioFile part(::_wfsopen(task.partFile.c_str(), L"rb", _SH_DENYNO));
    if (!part) {
        resultCode = kDownloadCannotReadPart;
        return false;
    }
    std::fseek(target, static_cast<long>(task.first), SEEK_SET);
    // Bytes of the part file beyond the segment (a server may send one more than asked) are not copied.
    char buffer[1 << 16];
    uint32_t remaining = task.end - task.first;
    while (remaining > 0) {
        size_t got = std::fread(buffer, 1, std::min<uint32_t>(remaining, sizeof buffer), part.get());
        if (got == 0)
            break;
        std::fwrite(buffer, 1, got, target);
        remaining -= static_cast<uint32_t>(got);
    }
    return true;
}

void CHttpGet::ReportProgress(uint32_t downloadedLow, uint32_t bytesReceived) {
    if (!callback || totalSize == 0)
        return;
    uint64_t d = std::min<uint64_t>(downloadedLow, totalSize);
    int percent = static_cast<int>(static_cast<double>(d) * 100.0 / static_cast<double>(totalSize));
    rateMeter.Add(bytesReceived);
    uint32_t speed = rateMeter.GetSpeed() >> 10;
    const int answer = callback->OnProgress(static_cast<uint32_t>(totalSize), percent, speed, userData);
    if (answer == kProgressStopAndDiscard) {
        stopReason = kProgressStopAndDiscard;
        ::SetEvent(stopEvent.get());
    } else if (answer == kProgressStop) {
        ::SetEvent(stopEvent.get());
    }
}

void CHttpGet::SegmentWorker(SegmentTask* task) {
    if (abandoned)
        return;
    CFileWrapper files;
    const uint32_t segmentLength = task->end - task->first;
    char buffer[kReceiveBuffer];

    // A proxy's refusal holds for every request of the download: no further attempt is made.
    for (int attempt = 1; attempt <= kAttempts && !proxyRefused; ++attempt) {
        std::wstring address;
        bool viaProxy = false;
        UniqueSocket socket(Connect(task->host, task->port, &address, &viaProxy));
        if (callback && userData != 0)
            callback->OnServerAddress(address.c_str(), userData);
        if (!socket) {
            SetResult(NoConnectionResult());
            ::Sleep(kRetryDelayMs);
            continue;
        }

        uint32_t existing = files.GetSize(task->partFile.c_str());
        if (!task->ranged) {
            existing = 0;  // a transfer without ranges cannot be resumed: it starts over
            ::DeleteFileW(task->partFile.c_str());
        }
        {
            CSyncMutex::Scope lock(progressLock);
            downloaded += existing;
        }
        if (existing >= segmentLength) {
            ::InterlockedIncrement(&completedSegments);  // already complete on disk: nothing to ask for
            return;
        }

        UniqueStdioFile part(files.OpenForUpdate(task->partFile.c_str()));
        if (!part) {
            socket.reset();
            SetResult(kDownloadCannotWritePart);
            {
                CSyncMutex::Scope lock(progressLock);
                downloaded -= existing;
            }
            ::Sleep(kRetryDelayMs);
            continue;
        }

        const std::wstring target = RequestTarget(viaProxy, task->host, task->port, task->path);
        if (task->ranged) {
            // The range asks through offset end, one past the segment, whose byte is never used; for the
            // last segment that byte is past the end of the resource, which some servers refuse (400)
            // rather than serve what there is: there it asks through the last byte.
            const uint32_t last = static_cast<uint64_t>(task->end) >= totalSize ? task->end - 1 : task->end;
            if (!RequestRange(socket, task->host, target, task->first + existing, last, viaProxy)) {
                part.reset();
                socket.reset();
                {
                    CSyncMutex::Scope lock(progressLock);
                    downloaded -= existing;
                }
                ::Sleep(kRetryDelayMs);
                continue;
            }
        } else if (!RequestWhole(socket, task->host, target, viaProxy)) {
            return;  // nothing to resume from: the download fails
        }

        std::fseek(part.get(), static_cast<long>(existing), SEEK_SET);
        uint32_t received = 0;
        DWORD windowStart = ::GetTickCount();
        uint32_t windowBytes = 0;
        for (;;) {
            if (::WaitForSingleObject(stopEvent.get(), kStopPollMs) == WAIT_OBJECT_0) {
                SetResult(kDownloadStopped);
                socket.reset();
                part.reset();
                if (stopReason == kProgressStopAndDiscard)
                    ::DeleteFileW(task->partFile.c_str());
                return;
            }
            if (received >= segmentLength - existing) {
                part.reset();
                socket.reset();
                ::InterlockedIncrement(&completedSegments);
                return;
            }
            std::memset(buffer, 0, sizeof buffer);
            int count = ::recv(socket.get(), buffer, kReceiveBuffer, 0);
            if (count == SOCKET_ERROR || count == 0)
                break;
            // A block that does not reach the disk is treated like a broken connection, so that a
            // segment is never counted complete with bytes missing from its part file; nor is it
            // counted or reported, so the percent never runs ahead of the disk (and back).
            const bool stored = std::fwrite(buffer, 1, static_cast<size_t>(count), part.get()) ==
                                    static_cast<size_t>(count) &&
                                std::fflush(part.get()) == 0;
            if (!stored)
                break;
            received += static_cast<uint32_t>(count);
            {
                CSyncMutex::Scope lock(progressLock);
                downloaded += static_cast<uint32_t>(count);
                ReportProgress(static_cast<uint32_t>(downloaded), static_cast<uint32_t>(count));
            }
            windowBytes += static_cast<uint32_t>(count);
            if (windowBytes >= kStallBytes) {
                windowStart = ::GetTickCount();
                windowBytes = 0;
            } else if (::GetTickCount() - windowStart >= kStallWindowMs) {
                break;  // a trickle: as if the connection were cut (the part file keeps what came)
            }
        }

        SetResult(kDownloadBroken);
        socket.reset();
        part.reset();
        if (!task->ranged)
            return;
        {
            CSyncMutex::Scope lock(progressLock);
            downloaded -= static_cast<uint64_t>(received) + existing;
        }
        ::Sleep(kRetryDelayMs);
    }
}

}  // namespace radu
