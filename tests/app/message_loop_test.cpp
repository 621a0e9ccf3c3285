// The message loop (filters, idle processing, quit code) and the per-thread loop registry.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "app/loop_registry.h"
#include "app/message_loop.h"

namespace radu {
namespace {

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kThird = WM_APP + 3;

// Thread messages (no window) carry the test's events.
void PostToThread(UINT message, WPARAM wParam = 0) {
    ::PostThreadMessageW(::GetCurrentThreadId(), message, wParam, 0);
}

class RecordingFilter : public CMessageFilter {
  public:
    RecordingFilter(std::vector<int>& log, int tag, UINT consume)
        : events(log), label(tag), consumes(consume) {}
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message >= WM_APP)
            events.push_back(label * 1000 + static_cast<int>(msg->message - WM_APP));
        if (onMessage)
            onMessage(msg);
        return msg->message == consumes;
    }
    std::function<void(MSG*)> onMessage;

  private:
    std::vector<int>& events;
    int label;
    UINT consumes;
};

class RecordingIdle : public CIdleHandler {
  public:
    RecordingIdle(std::vector<int>& log, int tag, std::function<void(int)> action)
        : events(log), label(tag), onIdle(std::move(action)) {}
    BOOL OnIdle() override {
        events.push_back(-label);
        if (onIdle)
            onIdle(++calls);
        return FALSE;
    }

  private:
    std::vector<int>& events;
    int label;
    std::function<void(int)> onIdle;
    int calls = 0;
};

TEST(MessageLoop, NewestFilterFirstAndAConsumedMessageGoesNoFurther) {
    std::vector<int> log;
    CMessageLoop loop;
    RecordingFilter older(log, 1, 0);
    RecordingFilter newer(log, 2, kSecond);  // consumes the second message
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    RecordingIdle idle(log, 9, [](int call) {
        if (call == 1)
            PostToThread(WM_QUIT, 7);
    });
    loop.AddIdleHandler(&idle);
    PostToThread(kFirst);
    PostToThread(kSecond);
    PostToThread(kThird);

    EXPECT_EQ(loop.Run(), 7);
    EXPECT_EQ(log, (std::vector<int>{2001, 1001, 2002, 2003, 1003, -9}));
}

TEST(MessageLoop, IdleHandlersRunOnceEachTimeTheQueueEmptiesAfterRealWork) {
    std::vector<int> log;
    CMessageLoop loop;
    RecordingFilter watch(log, 1, 0);
    loop.AddMessageFilter(&watch);
    UINT_PTR timer = 0;
    RecordingIdle first(log, 1, [&](int call) {
        if (call == 1) {
            // A mouse move does not wake idle processing; the timer message that comes later does.
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
            timer = ::SetTimer(nullptr, 0, 30, nullptr);
        } else {
            ::KillTimer(nullptr, timer);
            PostToThread(WM_QUIT, 3);
        }
    });
    RecordingIdle second(log, 2, nullptr);
    loop.AddIdleHandler(&first);
    loop.AddIdleHandler(&second);
    std::vector<UINT> seen;
    watch.onMessage = [&](MSG* msg) { seen.push_back(msg->message); };
    PostToThread(kFirst);

    EXPECT_EQ(loop.Run(), 3);
    // Idle handlers in registration order, once per quiet spell.
    EXPECT_EQ(log, (std::vector<int>{1001, -1, -2, -1, -2}));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1], static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_TIMER));
}

TEST(MessageLoop, AFilterMayRemoveFiltersWhileItRuns) {
    std::vector<int> log;
    CMessageLoop loop;
    RecordingFilter older(log, 1, 0);
    RecordingFilter newer(log, 2, 0);
    newer.onMessage = [&](MSG* msg) {
        if (msg->message == kFirst) {
            loop.RemoveMessageFilter(&newer);
            loop.RemoveMessageFilter(&older);
        }
    };
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    PostToThread(kFirst);
    PostToThread(kSecond);
    PostToThread(WM_QUIT, 5);
    EXPECT_EQ(loop.Run(), 5);
    EXPECT_EQ(log, (std::vector<int>{2001}));  // nobody was left to see the second message
    EXPECT_FALSE(loop.RemoveMessageFilter(&newer));
}

TEST(LoopRegistry, OneLoopPerThread) {
    CLoopRegistry registry;
    registry.Init();
    EXPECT_EQ(registry.MainThreadId(), ::GetCurrentThreadId());
    CMessageLoop mainLoop, otherLoop, spare;
    EXPECT_EQ(registry.GetMessageLoop(), nullptr);
    EXPECT_TRUE(registry.AddMessageLoop(&mainLoop));
    EXPECT_FALSE(registry.AddMessageLoop(&spare));

    CMessageLoop* seenByOther = &spare;
    bool removedOther = false;
    std::thread other([&] {
        EXPECT_EQ(registry.GetMessageLoop(), nullptr);
        EXPECT_TRUE(registry.AddMessageLoop(&otherLoop));
        seenByOther = registry.GetMessageLoop();
        removedOther = registry.RemoveMessageLoop();
    });
    other.join();
    EXPECT_EQ(seenByOther, &otherLoop);
    EXPECT_TRUE(removedOther);
    EXPECT_EQ(registry.GetMessageLoop(), &mainLoop);
    EXPECT_TRUE(registry.RemoveMessageLoop());
    EXPECT_FALSE(registry.RemoveMessageLoop());
    registry.AddMessageLoop(&mainLoop);
    registry.Term();
    EXPECT_EQ(registry.GetMessageLoop(), nullptr);
}

}  // namespace
}  // namespace radu
