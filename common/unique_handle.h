// One owning wrapper for every kind of handle. The traits name the empty value and the function that
// releases a handle; the wrapper is move-only and tests as true when it holds a handle. Every Windows
// handle kind the program holds is defined here, once.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <winsvc.h>
#include <wininet.h>

#include <cstdio>
#include <type_traits>
#include <utility>

namespace radu {

template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    explicit operator bool() const { return handle != Traits::Empty(); }
    Handle get() const { return handle; }
    // Member access for handles that are pointers to objects (COM interfaces).
    template <typename H = Handle, typename = std::enable_if_t<std::is_class_v<std::remove_pointer_t<H>>>>
    H operator->() const {
        return handle;
    }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(handle, Traits::Empty()); }

    void reset(Handle h = Traits::Empty()) {
        Handle old = std::exchange(handle, h);
        if (old != Traits::Empty())
            Traits::Close(old);
    }

    // For functions that write a new handle into an out-parameter: closes what is held and hands over
    // the storage, which holds the empty value until the function writes there.
    Handle* put() {
        reset();
        return &handle;
    }

  private:
    Handle handle = Traits::Empty();
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
struct ServiceHandleTraits {  // the service control manager and its services
    using Handle = SC_HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};
struct InternetHandleTraits {  // sessions, connections and requests alike
    using Handle = HINTERNET;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::InternetCloseHandle(h); }
};
struct CngAlgorithmTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct CngHashTraits {  // to be closed before the algorithm provider it was made from
    using Handle = BCRYPT_HASH_HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::BCryptDestroyHash(h); }
};
struct CngKeyTraits {
    using Handle = BCRYPT_KEY_HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::BCryptDestroyKey(h); }
};
struct GdiObjectTraits {  // fonts, brushes, bitmaps: deleted only when no device context has them selected
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {  // CreateCompatibleDC; a window's device context is a WindowDc instead
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};
struct IconTraits {  // icons loaded without LR_SHARED
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};
struct LocalMemoryTraits {  // blocks the system allocates for the caller (security descriptors)
    using Handle = HLOCAL;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};
struct ModuleTraits {  // DLLs loaded with LoadLibraryExW
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct GlobalMemoryTraits {  // memory a system function allocated for the caller with GlobalAlloc
    using Handle = void*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::GlobalFree(h); }
};
template <typename Interface>
struct ComTraits {  // one reference to a COM object
    using Handle = Interface*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle p) { p->Release(); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueFindHandle = UniqueHandle<FindFileTraits>;
using UniqueStdioFile = UniqueHandle<StdioFileTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
using UniqueCngAlgorithm = UniqueHandle<CngAlgorithmTraits>;
using UniqueCngHash = UniqueHandle<CngHashTraits>;
using UniqueCngKey = UniqueHandle<CngKeyTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueGlobalMemory = UniqueHandle<GlobalMemoryTraits>;
// put() gives Interface**, as IID_PPV_ARGS and QueryInterface want it.
template <typename Interface>
using UniqueComPtr = UniqueHandle<ComTraits<Interface>>;

}  // namespace radu
