// A critical section owned by an object, and a scope that holds it.
#pragma once

#include <windows.h>

namespace radu {

class CSyncMutex {
  public:
    CSyncMutex() { ::InitializeCriticalSection(&section_); }
    virtual ~CSyncMutex() { ::DeleteCriticalSection(&section_); }
    CSyncMutex(const CSyncMutex&) = delete;
    CSyncMutex& operator=(const CSyncMutex&) = delete;

    void Lock() { ::EnterCriticalSection(&section_); }
    void Unlock() { ::LeaveCriticalSection(&section_); }

    class Scope {
      public:
        explicit Scope(CSyncMutex& m) : m_(m) { m_.Lock(); }
        ~Scope() { m_.Unlock(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        CSyncMutex& m_;
    };

  private:
    CRITICAL_SECTION section_;
};

}  // namespace radu
