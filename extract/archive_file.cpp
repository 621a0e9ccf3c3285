#include "extract/archive_file.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "common/unique_handle.h"

namespace radu {

namespace {

constexpr DWORD kBufferSize = 65536;

struct ArchiveFile {
    UniqueFileHandle handle;
    uint64_t size = 0;
    uint64_t position = 0;     // where the next read starts
    uint64_t bufferStart = 0;  // file offset of buffer[0]
    DWORD bufferLength = 0;
    bool failed = false;
    unsigned char buffer[kBufferSize];
};

voidpf Open(voidpf, const void* filename, int mode) {
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    const auto* source = static_cast<const ArchiveSource*>(filename);
    UniqueFileHandle h;
    if (source->path) {
        h.reset(CreateFileW(source->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    } else if (source->handle && source->handle != INVALID_HANDLE_VALUE &&
               !DuplicateHandle(GetCurrentProcess(), source->handle, GetCurrentProcess(), h.put(), 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
        h.release();
    }
    if (!h)
        return nullptr;
    LARGE_INTEGER size;
    auto* file = new (std::nothrow) ArchiveFile;
    if (!file || !GetFileSizeEx(h.get(), &size)) {
        delete file;
        return nullptr;
    }
    file->handle = std::move(h);
    file->size = static_cast<uint64_t>(size.QuadPart);
    return file;
}

uLong Read(voidpf, voidpf stream, void* out, uLong count) {
    auto* f = static_cast<ArchiveFile*>(stream);
    auto* dest = static_cast<unsigned char*>(out);
    uLong done = 0;
    while (done < count) {
        if (f->position >= f->bufferStart && f->position < f->bufferStart + f->bufferLength) {
            DWORD offset = static_cast<DWORD>(f->position - f->bufferStart);
            uLong n = f->bufferLength - offset;
            if (n > count - done)
                n = count - done;
            std::memcpy(dest + done, f->buffer + offset, n);
            done += n;
            f->position += n;
            continue;
        }
        if (f->position >= f->size)
            break;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(f->position);
        DWORD got = 0;
        if (!SetFilePointerEx(f->handle.get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(f->handle.get(), f->buffer, kBufferSize, &got, nullptr)) {
            f->failed = true;
            break;
        }
        f->bufferStart = f->position;
        f->bufferLength = got;
        if (got == 0)
            break;
    }
    return done;
}

uLong Write(voidpf, voidpf, const void*, uLong) {
    return 0;
}  // the archive is only read

ZPOS64_T Tell(voidpf, voidpf stream) {
    return static_cast<ArchiveFile*>(stream)->position;
}

long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* f = static_cast<ArchiveFile*>(stream);
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            f->position = offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_CUR:
            f->position += offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_END:
            f->position = f->size + offset;
            return 0;
        default:
            return -1;
    }
}

int Close(voidpf, voidpf stream) {
    delete static_cast<ArchiveFile*>(stream);  // and with it the file handle
    return 0;
}

int TestError(voidpf, voidpf stream) {
    return static_cast<ArchiveFile*>(stream)->failed ? -1 : 0;
}

}  // namespace

void FillArchiveFileFunctions(zlib_filefunc64_def* functions) {
    functions->zopen64_file = Open;
    functions->zread_file = Read;
    functions->zwrite_file = Write;
    functions->ztell64_file = Tell;
    functions->zseek64_file = Seek;
    functions->zclose_file = Close;
    functions->zerror_file = TestError;
    functions->opaque = nullptr;
}

}  // namespace radu
