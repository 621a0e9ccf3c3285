// The thread's message loop, with message filters (offered each message before it is dispatched) and
// idle handlers (called when the queue has run empty).
#pragma once

#include <windows.h>

#include <vector>

namespace radu {

class CMessageFilter {
  public:
    virtual ~CMessageFilter() = default;
    // True when the filter consumed the message.
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
  public:
    virtual ~CIdleHandler() = default;
    virtual BOOL OnIdle() = 0;  // the result is not used
};

class CMessageLoop {
  public:
    bool AddMessageFilter(CMessageFilter* filter);
    bool RemoveMessageFilter(CMessageFilter* filter);
    bool AddIdleHandler(CIdleHandler* handler);
    bool RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam.
    int Run();

    // Messages after which the loop does not go idle again.
    static bool IsIdleMessage(const MSG& msg);

  private:
    bool PreTranslateMessage(MSG* msg);
    void OnIdle();

    std::vector<CMessageFilter*> filters;
    std::vector<CIdleHandler*> idleHandlers;
    MSG currentMessage = {};
};

}  // namespace radu
