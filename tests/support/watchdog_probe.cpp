// A test program that does not end after its last case: its tear-down waits for a thread that waits for
// nothing, as a server's tear-down once waited for a connection no client would close. Its ctest entry
// passes only when the watchdog of the test main names that thread and ends the process.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/test_threads.h"

namespace radu::test {
namespace {

DWORD WINAPI WaitForNothing(void*) {
    ::Sleep(INFINITE);
    return 0;
}

class NeverEnding : public ::testing::Environment {
  public:
    void SetUp() override {
        thread = ::CreateThread(nullptr, 0, &WaitForNothing, nullptr, 0, nullptr);
        NameThread(thread, L"never ending");
    }
    void TearDown() override { ::WaitForSingleObject(thread, INFINITE); }

  private:
    HANDLE thread = nullptr;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new NeverEnding);

TEST(Watchdog, TheLastCasePasses) {}

}  // namespace
}  // namespace radu::test
