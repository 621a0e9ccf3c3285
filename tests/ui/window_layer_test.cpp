// The window layer: message maps, binding of objects to windows (superclassed, subclassed, dialogs),
// notification reflection and custom-draw dispatch.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_gdiplus.h"
#include "ui/custom_draw.h"
#include "ui/dialog_impl.h"
#include "ui/reflect.h"
#include "ui/window_impl.h"

namespace radu::ui {
namespace {
extern int g_pureVirtualCalls;
}
}  // namespace radu::ui

extern "C" void __cxa_pure_virtual() {
    ++radu::ui::g_pureVirtualCalls;
}

namespace radu::ui {
namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

// A superclassed static that records what reaches its map.
class CProbe : public CWindowImpl<CProbe> {
  public:
    static constexpr const wchar_t* kBaseClass = L"STATIC";
    static constexpr const wchar_t* kClassName = L"RaduTestProbe";
    static const MessageEntry<CProbe> kMessageEntries[];
    static const MessageMap<CProbe> kMessageMap;

    HWND Create(HWND parent, int id) {
        return CreateSuperclassed(parent, {0, 0, 50, 20}, WS_CHILD, id, L"probe");
    }
    void OnFinalMessage(HWND) override { finalMessages++; }

    std::vector<UINT> seen;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;
    int finalMessages = 0;

  private:
    LRESULT Record(WPARAM w, LPARAM l) {
        lastWParam = w;
        lastLParam = l;
        return 0x5150;
    }
    LRESULT OnNcCreate(WPARAM, LPARAM) {
        seen.push_back(WM_NCCREATE);
        return TRUE;
    }
    LRESULT OnReflectedCommand(WPARAM w, LPARAM l) {
        seen.push_back(kReflectedCommand);
        return Record(w, l);
    }
    LRESULT OnReflectedNotify(WPARAM w, LPARAM l) {
        seen.push_back(kReflectedNotify);
        return Record(w, l);
    }
    LRESULT OnReflectedColor(WPARAM w, LPARAM l) {
        seen.push_back(kReflectedBase + WM_CTLCOLORSTATIC);
        return Record(w, l);
    }
    LRESULT OnFirst(WPARAM, LPARAM) { return 1; }
    LRESULT OnSecond(WPARAM, LPARAM) { return 2; }
    LRESULT OnSetTextSeen(WPARAM, LPARAM) {
        seen.push_back(WM_SETTEXT);
        return 0;
    }
};

const MessageEntry<CProbe> CProbe::kMessageEntries[] = {
    OnMessage<CProbe>(WM_NCCREATE, &CProbe::OnNcCreate),
    OnMessage<CProbe>(kReflectedCommand, &CProbe::OnReflectedCommand),
    OnMessage<CProbe>(kReflectedNotify, &CProbe::OnReflectedNotify),
    OnMessage<CProbe>(kReflectedBase + WM_CTLCOLORSTATIC, &CProbe::OnReflectedColor),
    OnMessage<CProbe>(kProbeMessage, &CProbe::OnFirst),
    OnMessage<CProbe>(kProbeMessage, &CProbe::OnSecond),  // never reached: the first entry wins
    OnMessageThenDefault<CProbe>(WM_SETTEXT, &CProbe::OnSetTextSeen),
};
const MessageMap<CProbe> CProbe::kMessageMap = MakeMessageMap(CProbe::kMessageEntries);

std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = L"";
    ::GetWindowTextW(hwnd, text, 256);
    return text;
}

TEST(WindowImpl, SuperclassBindsAtCreationAndKeepsTheSystemBehaviour) {
    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    CProbe probe;
    HWND hwnd = probe.Create(parent.hwnd(), 77);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(probe.hwnd(), hwnd);
    ASSERT_FALSE(probe.seen.empty());
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));

    wchar_t cls[64];
    ::GetClassNameW(hwnd, cls, 64);
    EXPECT_STREQ(cls, L"RaduTestProbe");
    // The first matching entry answers; a then-default entry lets the static store the text too.
    EXPECT_EQ(::SendMessageW(hwnd, kProbeMessage, 0, 0), 1);
    ::SetWindowTextW(hwnd, L"新的文字");
    EXPECT_EQ(probe.seen.back(), static_cast<UINT>(WM_SETTEXT));
    EXPECT_EQ(TextOf(hwnd), L"新的文字");

    ::DestroyWindow(hwnd);
    EXPECT_EQ(probe.hwnd(), nullptr);
    EXPECT_EQ(probe.finalMessages, 1);
}

TEST(WindowImpl, SubclassingAndGivingBackAnExistingWindow) {
    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_CHILD, 0, 0, 80, 20, parent.hwnd(), nullptr, nullptr,
                                  nullptr);
    const LONG_PTR original = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    {
        CProbe probe;
        ASSERT_TRUE(probe.SubclassWindow(edit));
        EXPECT_FALSE(probe.SubclassWindow(edit));  // already bound
        EXPECT_EQ(::SendMessageW(edit, kProbeMessage, 0, 0), 1);
        ::SetWindowTextW(edit, L"xyz");
        EXPECT_NE(std::find(probe.seen.begin(), probe.seen.end(), static_cast<UINT>(WM_SETTEXT)),
                  probe.seen.end());
        EXPECT_EQ(TextOf(edit), L"xyz");  // the edit control's own procedure still ran
        EXPECT_EQ(probe.UnsubclassWindow(), edit);
        EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
        EXPECT_EQ(::SendMessageW(edit, kProbeMessage, 0, 0), 0);  // no longer ours
        ASSERT_TRUE(probe.SubclassWindow(edit));
    }  // an object that goes first gives the window back
    EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    EXPECT_TRUE(::IsWindow(edit));
    ::DestroyWindow(edit);
}

// A second subclass on top of the layer's: one in the common controls' chain, and one that swaps the
// window procedure the old way, as outside tools do.
int g_outerMessages = 0;
WNDPROC g_swappedOut = nullptr;

LRESULT CALLBACK ChainedOuter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    g_outerMessages += message == WM_SETTEXT;
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}
LRESULT CALLBACK SwappedOuter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_outerMessages += message == WM_SETTEXT;
    return ::CallWindowProcW(g_swappedOut, hwnd, message, wParam, lParam);
}

struct OuterSubclass {
    const char* name;
    void (*attach)(HWND);
    void (*detach)(HWND);
};
const OuterSubclass kOuterSubclasses[] = {
    {"chained", [](HWND h) { ::SetWindowSubclass(h, &ChainedOuter, 9, 0); },
     [](HWND h) { ::RemoveWindowSubclass(h, &ChainedOuter, 9); }},
    {"swapped",
     [](HWND h) {
         g_swappedOut = reinterpret_cast<WNDPROC>(
             ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwappedOuter)));
     },
     [](HWND h) { ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_swappedOut)); }},
};

TEST(WindowImpl, LayeredSubclassesLeaveInEitherOrderAndTheUserDataStaysTheOwners) {
    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    enum Order { kLayerFirst, kOuterFirst, kDestroyedWithBoth };
    for (const OuterSubclass& outer : kOuterSubclasses) {
        for (Order order : {kLayerFirst, kOuterFirst, kDestroyedWithBoth}) {
            SCOPED_TRACE(std::string(outer.name) + " order " + std::to_string(order));
            HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 80, 20, parent.hwnd(), nullptr,
                                          nullptr, nullptr);
            ::SetWindowLongPtrW(edit, GWLP_USERDATA, 0x5EED);
            CProbe probe;
            ASSERT_TRUE(probe.SubclassWindow(edit));
            outer.attach(edit);
            bool layerOn = true, outerOn = true;
            // A text set passes every procedure still attached on its way to the edit control's own.
            auto layerSeen = [&] { return std::count(probe.seen.begin(), probe.seen.end(), WM_SETTEXT); };
            auto check = [&](const wchar_t* text) {
                const auto before = layerSeen();
                const int outerSeen = g_outerMessages;
                ::SetWindowTextW(edit, text);
                EXPECT_EQ(layerSeen(), before + layerOn);
                EXPECT_EQ(g_outerMessages, outerSeen + outerOn);
                EXPECT_EQ(TextOf(edit), text);
                EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_USERDATA), 0x5EED);
            };
            check(L"both");
            if (order != kDestroyedWithBoth) {
                for (bool layerNext : {order == kLayerFirst, order != kLayerFirst}) {
                    if (layerNext)
                        EXPECT_EQ(probe.UnsubclassWindow(), edit);
                    else
                        outer.detach(edit);
                    (layerNext ? layerOn : outerOn) = false;
                    check(layerOn || outerOn ? L"one" : L"none");
                }
            }
            EXPECT_TRUE(::DestroyWindow(edit));
            EXPECT_EQ(probe.hwnd(), nullptr);
            EXPECT_EQ(probe.finalMessages, order == kDestroyedWithBoth ? 1 : 0);
        }
    }
}

TEST(Reflection, EachKindOfNotificationFindsItsControl) {
    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    CProbe probe;
    HWND child = probe.Create(parent.hwnd(), 1234);
    HWND p = parent.hwnd();

    EXPECT_EQ(ReflectionTarget(p, WM_COMMAND, MAKEWPARAM(1234, BN_CLICKED), reinterpret_cast<LPARAM>(child)),
              child);
    EXPECT_EQ(ReflectionTarget(p, WM_COMMAND, IDOK, 0), nullptr);  // a menu or keyboard command
    NMHDR header = {child, 1234, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(ReflectionTarget(p, WM_NOTIFY, 1234, reinterpret_cast<LPARAM>(&header)), child);
    DRAWITEMSTRUCT draw = {};
    draw.hwndItem = child;
    EXPECT_EQ(ReflectionTarget(p, WM_DRAWITEM, 1234, reinterpret_cast<LPARAM>(&draw)), child);
    EXPECT_EQ(ReflectionTarget(p, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), nullptr);  // a menu item
    MEASUREITEMSTRUCT measure = {};
    measure.CtlID = 1234;
    EXPECT_EQ(ReflectionTarget(p, WM_MEASUREITEM, 1234, reinterpret_cast<LPARAM>(&measure)), child);
    COMPAREITEMSTRUCT compare = {};
    compare.hwndItem = child;
    EXPECT_EQ(ReflectionTarget(p, WM_COMPAREITEM, 1234, reinterpret_cast<LPARAM>(&compare)), child);
    DELETEITEMSTRUCT deleted = {};
    deleted.hwndItem = child;
    EXPECT_EQ(ReflectionTarget(p, WM_DELETEITEM, 1234, reinterpret_cast<LPARAM>(&deleted)), child);
    EXPECT_EQ(
        ReflectionTarget(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 1234), reinterpret_cast<LPARAM>(child)),
        child);
    EXPECT_EQ(ReflectionTarget(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 1234), MAKELPARAM(5, 5)),
              child);
    for (UINT m :
         {WM_VKEYTOITEM, WM_CHARTOITEM, WM_HSCROLL, WM_VSCROLL, WM_CTLCOLORBTN, WM_CTLCOLOREDIT,
          WM_CTLCOLORLISTBOX, WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC, WM_CTLCOLORMSGBOX, WM_CTLCOLORDLG})
        EXPECT_EQ(ReflectionTarget(p, m, 0, reinterpret_cast<LPARAM>(child)), child) << m;
    EXPECT_EQ(ReflectionTarget(p, WM_TIMER, 1, reinterpret_cast<LPARAM>(child)), nullptr);
}

TEST(Reflection, TheControlAnswersForItsParent) {
    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    CProbe probe;
    HWND child = probe.Create(parent.hwnd(), 1234);

    // Sent to the parent, answered by the control as the message number plus 0x2000.
    const WPARAM wParam = MAKEWPARAM(1234, STN_CLICKED);
    EXPECT_EQ(::SendMessageW(parent.hwnd(), WM_COMMAND, wParam, reinterpret_cast<LPARAM>(child)), 0x5150);
    EXPECT_EQ(probe.seen.back(), kReflectedCommand);
    EXPECT_EQ(probe.lastWParam, wParam);
    EXPECT_EQ(probe.lastLParam, reinterpret_cast<LPARAM>(child));

    NMHDR header = {child, 1234, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(::SendMessageW(parent.hwnd(), WM_NOTIFY, 1234, reinterpret_cast<LPARAM>(&header)), 0x5150);
    EXPECT_EQ(probe.seen.back(), kReflectedNotify);
    EXPECT_EQ(probe.lastLParam, reinterpret_cast<LPARAM>(&header));

    HDC dc = ::GetDC(child);
    EXPECT_EQ(::SendMessageW(parent.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(child)),
              0x5150);
    ::ReleaseDC(child, dc);

    LRESULT result = 0;
    EXPECT_FALSE(ReflectNotifications(parent.hwnd(), WM_COMMAND, IDCANCEL, 0, result));
}

// Dialog results: most messages answer through DWLP_MSGRESULT, a few through the return value.
class CTestDialog : public CDialogImpl<CTestDialog> {
  public:
    static const MessageEntry<CTestDialog> kMessageEntries[];
    static const MessageMap<CTestDialog> kMessageMap;

    int initCount = 0;
    HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));

  private:
    LRESULT OnInit(WPARAM, LPARAM) {
        ++initCount;
        return TRUE;
    }
    LRESULT OnHitTest(WPARAM, LPARAM) { return HTCAPTION; }
    LRESULT OnColor(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(brush); }
    LRESULT OnProbe(WPARAM w, LPARAM) { return static_cast<LRESULT>(w) * 3; }
};

const MessageEntry<CTestDialog> CTestDialog::kMessageEntries[] = {
    OnMessage<CTestDialog>(WM_INITDIALOG, &CTestDialog::OnInit),
    OnMessage<CTestDialog>(WM_NCHITTEST, &CTestDialog::OnHitTest),
    OnMessage<CTestDialog>(WM_CTLCOLORSTATIC, &CTestDialog::OnColor),
    OnMessage<CTestDialog>(kProbeMessage, &CTestDialog::OnProbe),
};
const MessageMap<CTestDialog> CTestDialog::kMessageMap = MakeMessageMap(CTestDialog::kMessageEntries);

// The run time's answer to a call of a pure virtual function: counted here instead of ending the program.
int g_pureVirtualCalls = 0;

TEST(WindowLayer, AnObjectThatGoesBeforeItsWindowIsNeverCalledAgain) {
    g_pureVirtualCalls = 0;
    HWND dialogWindow = nullptr;
    {
        CTestDialog dialog;
        dialogWindow = dialog.Create(nullptr, 129);
        ASSERT_NE(dialogWindow, nullptr);
    }
    EXPECT_FALSE(::IsWindow(dialogWindow));

    test::PaintedWindow parent(200, 100, RGB(255, 255, 255));
    HWND probeWindow = nullptr;
    {
        CProbe probe;
        probeWindow = probe.Create(parent.hwnd(), 5);
        ASSERT_NE(probeWindow, nullptr);
    }
    EXPECT_FALSE(::IsWindow(probeWindow));
    EXPECT_EQ(g_pureVirtualCalls, 0);  // the windows' last messages never reached the half-destroyed objects
}

TEST(DialogImpl, AnswersReachTheSenderAndUnhandledCommandsDoNothing) {
    CTestDialog dialog;
    HWND hwnd = dialog.Create(nullptr, 129);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(dialog.hwnd(), hwnd);
    EXPECT_EQ(dialog.initCount, 1);

    EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(10, 10)), HTCAPTION);
    EXPECT_EQ(::SendMessageW(hwnd, kProbeMessage, 14, 0), 42);
    HWND label = ::GetDlgItem(hwnd, 1009);
    HDC dc = ::GetDC(label);
    EXPECT_EQ(::SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(label)),
              reinterpret_cast<LRESULT>(dialog.brush));
    ::ReleaseDC(label, dc);

    // OK and Cancel leave a modeless dialog alone.
    ::SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    ::SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    test::PumpMessages();
    EXPECT_TRUE(::IsWindow(hwnd));

    EXPECT_TRUE(dialog.DestroyWindow());
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(dialog.hwnd(), nullptr);
}

class CStageCounter : public CCustomDraw {
  public:
    std::vector<int> calls;

  private:
    DWORD OnPrePaint(int, NMCUSTOMDRAW*) override { return Note(1); }
    DWORD OnPostPaint(int, NMCUSTOMDRAW*) override { return Note(2); }
    DWORD OnPreErase(int id, NMCUSTOMDRAW*) override { return Note(id == 9 ? 3 : -1); }
    DWORD OnItemPrePaint(int, NMCUSTOMDRAW*) override { return Note(0x10001); }
    DWORD OnSubItemPrePaint(int, NMCUSTOMDRAW*) override { return Note(0x30001); }
    DWORD Note(int v) {
        calls.push_back(v);
        return CDRF_NOTIFYITEMDRAW;
    }
};

TEST(CustomDraw, EachStageReachesItsHandler) {
    CStageCounter counter;
    NMCUSTOMDRAW draw = {};
    draw.hdr.idFrom = 9;
    for (DWORD stage :
         std::initializer_list<DWORD>{CDDS_PREERASE, CDDS_PREPAINT, CDDS_POSTPAINT, CDDS_ITEMPREPAINT,
                                      static_cast<DWORD>(CDDS_ITEMPREPAINT | CDDS_SUBITEM)}) {
        draw.dwDrawStage = stage;
        EXPECT_EQ(counter.DispatchCustomDraw(&draw), CDRF_NOTIFYITEMDRAW);
    }
    EXPECT_EQ(counter.calls, (std::vector<int>{3, 1, 2, 0x10001, 0x30001}));
    // Stages without a handler of their own, and unknown ones, leave the drawing to the control.
    draw.dwDrawStage = CDDS_POSTERASE;
    EXPECT_EQ(counter.DispatchCustomDraw(&draw), CDRF_DODEFAULT);
    draw.dwDrawStage = 0x12345;
    EXPECT_EQ(counter.DispatchCustomDraw(&draw), CDRF_DODEFAULT);
    EXPECT_EQ(counter.calls.size(), 5u);
}

}  // namespace
}  // namespace radu::ui
