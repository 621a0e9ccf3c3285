#include "app/loop_registry.h"

namespace radu {
namespace {

class Hold {
  public:
    explicit Hold(CRITICAL_SECTION& cs) : section(cs) { ::EnterCriticalSection(&section); }
    ~Hold() { ::LeaveCriticalSection(&section); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

  private:
    CRITICAL_SECTION& section;
};

}  // namespace

CLoopRegistry::CLoopRegistry() {
    ::InitializeCriticalSection(&lock);
}

CLoopRegistry::~CLoopRegistry() {
    ::DeleteCriticalSection(&lock);
}

void CLoopRegistry::Init() {
    Hold hold(lock);
    mainThreadId = ::GetCurrentThreadId();
    loops.clear();
}

void CLoopRegistry::Term() {
    Hold hold(lock);
    loops.clear();
}

bool CLoopRegistry::AddMessageLoop(CMessageLoop* loop) {
    if (loop == nullptr)
        return false;
    Hold hold(lock);
    return loops.emplace(::GetCurrentThreadId(), loop).second;
}

bool CLoopRegistry::RemoveMessageLoop() {
    Hold hold(lock);
    return loops.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CLoopRegistry::GetMessageLoop() {
    Hold hold(lock);
    auto it = loops.find(::GetCurrentThreadId());
    return it != loops.end() ? it->second : nullptr;
}

CLoopRegistry& Module() {
    static CLoopRegistry module;
    return module;
}

}  // namespace radu
