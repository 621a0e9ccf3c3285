// One owning wrapper for every kind of Win32 handle. The traits name the empty value and the function
// that releases a handle; the wrapper is move-only and tests as true when it holds a handle.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <utility>

namespace radu {

template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    explicit operator bool() const { return handle_ != Traits::Empty(); }
    Handle get() const { return handle_; }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(handle_, Traits::Empty()); }

    void reset(Handle h = Traits::Empty()) {
        Handle old = std::exchange(handle_, h);
        if (old != Traits::Empty())
            Traits::Close(old);
    }

  private:
    Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {  // events, threads, processes: the empty value is NULL
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW and snapshots report failure as INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct SocketTraits {
    using Handle = SOCKET;
    static Handle Empty() { return INVALID_SOCKET; }
    static void Close(Handle h) { ::closesocket(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct FindFileTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
struct StdioFileTraits {
    using Handle = FILE*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { std::fclose(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct IconTraits {  // icons loaded without LR_SHARED
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueFindHandle = UniqueHandle<FindFileTraits>;
using UniqueStdioFile = UniqueHandle<StdioFileTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;

}  // namespace radu
