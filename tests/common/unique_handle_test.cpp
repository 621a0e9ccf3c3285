// The owner itself, on a handle kind whose closes are recorded, and then on real kernel, COM and GDI
// objects, where a close that does not happen (or happens twice) shows in the system's own answers.
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/device_context.h"
#include "common/unique_handle.h"

namespace {

std::vector<int>& Closed() {
    static std::vector<int> closed;
    return closed;
}

struct RecordedTraits {
    using Handle = int;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { Closed().push_back(h); }
};
using Recorded = radu::UniqueHandle<RecordedTraits>;

struct OwnerCase {
    const char* what;
    int held;  // what the owner holds before the step
    std::function<void(Recorded&)> step;
    std::vector<int> closedByStep;
    int heldAfter;  // and is closed when the owner goes
};

TEST(UniqueHandle, ClosesEachHandleOnceAndOnlyWhatItOwns) {
    const OwnerCase cases[] = {
        {"put() on a held handle closes it and hands over empty storage",
         1,
         [](Recorded& h) {
             int* slot = h.put();
             EXPECT_EQ(*slot, 0);
             *slot = 2;
         },
         {1},
         2},
        {"put() on an empty owner closes nothing", 0, [](Recorded& h) { *h.put() = 3; }, {}, 3},
        {"put() left unwritten leaves the owner empty", 4, [](Recorded& h) { h.put(); }, {4}, 0},
        {"release() gives the handle up without closing it",
         5,
         [](Recorded& h) { EXPECT_EQ(h.release(), 5); },
         {},
         0},
        {"reset() closes the old handle and keeps the new", 6, [](Recorded& h) { h.reset(7); }, {6}, 7},
        {"reset() of an empty owner closes nothing", 0, [](Recorded& h) { h.reset(); }, {}, 0},
        {"moving out leaves the source empty; the new owner closes",
         8,
         [](Recorded& h) {
             Recorded taken(std::move(h));
             EXPECT_FALSE(h);
         },
         {8},
         0},
        {"moving in closes what the target held",
         9,
         [](Recorded& h) {
             Recorded other(10);
             h = std::move(other);
         },
         {9},
         10},
        {"moving onto itself keeps the handle",
         11,
         [](Recorded& h) {
             Recorded& same = h;
             h = std::move(same);
         },
         {},
         11},
    };
    for (const OwnerCase& c : cases) {
        SCOPED_TRACE(c.what);
        Closed().clear();
        {
            Recorded h(c.held);
            c.step(h);
            EXPECT_EQ(Closed(), c.closedByStep);
            EXPECT_EQ(h.get(), c.heldAfter);
            EXPECT_EQ(static_cast<bool>(h), c.heldAfter != 0);
            Closed().clear();
        }
        EXPECT_EQ(Closed(), c.heldAfter != 0 ? std::vector<int>{c.heldAfter} : std::vector<int>{});
    }
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(UniqueHandle, PutClosesTheKernelHandleItReplaces) {
    radu::UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE first = event.get();
    radu::UniqueKernelHandle copy;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), first, ::GetCurrentProcess(), copy.put(), 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    const HANDLE second = copy.get();
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), second, ::GetCurrentProcess(), event.put(), 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(event);
    EXPECT_TRUE(IsOpen(event.get()));
    if (event.get() != first) {  // the system may hand the freed value out again
        EXPECT_FALSE(IsOpen(first));
    }
    copy.reset();
    EXPECT_FALSE(IsOpen(second));
}

TEST(UniqueHandle, ComPointerReleasesItsOneReference) {
    radu::UniqueComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    IStream* raw = stream.get();
    raw->AddRef();
    radu::UniqueComPtr<IStream> moved(std::move(stream));
    moved.reset();
    EXPECT_EQ(raw->Release(), 0u);  // the owner's reference went with reset(), and only that one
}

TEST(DeviceContext, SelectedObjectPutsThePreviousObjectBack) {
    radu::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_FONT);
    radu::UniqueGdiObject font(
        ::CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ASSERT_TRUE(font);
    {
        radu::SelectedObject selected(dc.get(), font.get());
        EXPECT_TRUE(selected);
        EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), font.get());
        radu::SelectedObject nothing(dc.get(), nullptr);
        EXPECT_FALSE(nothing);
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), original);
    radu::WindowDc screen = radu::WindowDc::Client(nullptr);
    EXPECT_NE(screen.get(), nullptr);
}

}  // namespace
