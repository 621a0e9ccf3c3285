// Module state of the installer process: the main thread's id and the message loop of each thread that
// runs one, behind one process-wide lock.
#pragma once

#include <windows.h>

#include <map>

namespace radu {

class CMessageLoop;

class CLoopRegistry {
  public:
    CLoopRegistry();
    ~CLoopRegistry();
    CLoopRegistry(const CLoopRegistry&) = delete;
    CLoopRegistry& operator=(const CLoopRegistry&) = delete;

    // Start-up: remembers the calling thread as the main thread and starts with no loops.
    void Init();
    // Shut-down: forgets every loop.
    void Term();

    DWORD MainThreadId() const { return mainThreadId; }

    // Each of these works on the calling thread's entry and takes the lock.
    bool AddMessageLoop(CMessageLoop* loop);  // false when the thread has one already
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop();

  private:
    CRITICAL_SECTION lock;
    DWORD mainThreadId = 0;
    std::map<DWORD, CMessageLoop*> loops;
};

// The process's module state.
CLoopRegistry& Module();

}  // namespace radu
