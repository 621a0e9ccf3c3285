// A critical section owned by an object, and a scope that holds it.
#pragma once

#include <windows.h>

namespace radu {

class CSyncMutex {
  public:
    CSyncMutex() { ::InitializeCriticalSection(&section); }
    virtual ~CSyncMutex() { ::DeleteCriticalSection(&section); }
    CSyncMutex(const CSyncMutex&) = delete;
    CSyncMutex& operator=(const CSyncMutex&) = delete;

    void Lock() { ::EnterCriticalSection(&section); }
    void Unlock() { ::LeaveCriticalSection(&section); }

    class Scope {
      public:
        explicit Scope(CSyncMutex& m) : mutex(m) { mutex.Lock(); }
        ~Scope() { mutex.Unlock(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        CSyncMutex& mutex;
    };

  private:
    CRITICAL_SECTION section;
};

}  // namespace radu
