#include "app/loop_registry.h"

namespace radu {
namespace {

class Hold {
  public:
    explicit Hold(CRITICAL_SECTION& cs) : cs_(cs) { ::EnterCriticalSection(&cs_); }
    ~Hold() { ::LeaveCriticalSection(&cs_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

  private:
    CRITICAL_SECTION& cs_;
};

}  // namespace

CLoopRegistry::CLoopRegistry() {
    ::InitializeCriticalSection(&lock_);
}

CLoopRegistry::~CLoopRegistry() {
    ::DeleteCriticalSection(&lock_);
}

void CLoopRegistry::Init() {
    Hold hold(lock_);
    mainThreadId_ = ::GetCurrentThreadId();
    loops_.clear();
}

void CLoopRegistry::Term() {
    Hold hold(lock_);
    loops_.clear();
}

bool CLoopRegistry::AddMessageLoop(CMessageLoop* loop) {
    if (loop == nullptr)
        return false;
    Hold hold(lock_);
    return loops_.emplace(::GetCurrentThreadId(), loop).second;
}

bool CLoopRegistry::RemoveMessageLoop() {
    Hold hold(lock_);
    return loops_.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CLoopRegistry::GetMessageLoop() {
    Hold hold(lock_);
    auto it = loops_.find(::GetCurrentThreadId());
    return it != loops_.end() ? it->second : nullptr;
}

CLoopRegistry& Module() {
    static CLoopRegistry module;
    return module;
}

}  // namespace radu
