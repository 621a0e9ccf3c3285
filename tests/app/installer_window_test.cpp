// The installer window as its user meets it: pages, licence gating, options, folder, progress, the two
// ways out with their exit codes, and screenshots of each page.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <oleacc.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/unique_handle.h"
#include "installer_driver.h"
#include "support/scripted_http_server.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

// Control IDs of the installer window.
enum : int {
    kLink = 1003,
    kCustomLink = 1004,
    kFolderLabel = 1005,
    kLabelDesktop = 1006,
    kLabelStartMenu = 1007,
    kLabelAutoStart = 1008,
    kStatus = 1009,
    kPercent = 1010,
    kClose = 1106,
    kArrow = 1107,
    kLicence = 1108,
    kFolder = 1109,
    kBrowse = 1110,
    kDesktop = 1111,
    kStartMenu = 1112,
    kAutoStart = 1113,
    kProgress = 1120,
};

// The install's messages.
constexpr UINT kUnpackBegin = 10001, kDownloadFailed = 10002, kDownloadProgress = 10010,
               kUnpackFailed = 11110, kUnpackProgress = 11111, kUnpackDone = 11112;
constexpr UINT kSlideshowTimer = 2001;

// The bar lies at (198, 312) in the client area, 281 x 22; its fill starts 3 pixels in and is drawn 3
// pixels wider than the fill width.
constexpr int kBarLeft = 198, kBarMiddle = 312 + 11;
int FillEndColumn(int fillWidth) {
    return kBarLeft + 3 + 3 + fillWidth - 1;
}
std::function<bool(const ScreenPixels&)> BarEndsAt(int fillWidth) {
    return [fillWidth](const ScreenPixels& p) {
        const int end = FillEndColumn(fillWidth);
        const bool filled =
            fillWidth == 0 ? IsLightBlue(p.at(kBarLeft + 4, kBarMiddle)) : IsOrange(p.at(end, kBarMiddle));
        return filled && IsLightBlue(p.at(end + 1, kBarMiddle));
    };
}

// GDI+ for screenshots, and a package server that takes every request and never answers: an install
// started here waits in its download (each connection for the 10 s receive time-out), so that the tests
// can post the install's messages themselves.
class WindowEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // to ask as a screen reader does
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        ::SetCursorPos(0, 0);  // away from the window: no hover faces
        stalled = std::make_unique<ScriptedHttpServer>(
            [](const HttpRequest&) {
                HttpReply reply;
                reply.hold = true;
                return reply;
            },
            PackageServerPort());
        ASSERT_TRUE(stalled->listening());
    }
    void TearDown() override {
        stalled.reset();
        Gdiplus::GdiplusShutdown(token);
        ::CoUninitialize();
    }

  private:
    ULONG_PTR token = 0;
    std::unique_ptr<ScriptedHttpServer> stalled;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

bool Visible(const Installer& installer, int id) {
    return ::IsWindowVisible(installer.Item(id)) != FALSE;
}

void ExpectShown(const Installer& in, std::initializer_list<int> shown, std::initializer_list<int> hidden) {
    for (int id : shown)
        EXPECT_TRUE(Visible(in, id)) << "control " << id << " should show";
    for (int id : hidden)
        EXPECT_FALSE(Visible(in, id)) << "control " << id << " should be hidden";
}

void ExpectStartPage(const Installer& in) {
    ExpectShown(in, {kLink, kCustomLink, kClose, kArrow, kLicence},
                {kFolderLabel, kLabelDesktop, kLabelStartMenu, kLabelAutoStart, kStatus, kPercent, kFolder,
                 kBrowse, kDesktop, kStartMenu, kAutoStart, kProgress});
    EXPECT_TRUE(::IsWindowVisible(in.InstallButton()));
    EXPECT_EQ(TextOf(in.InstallButton()), L"快速安装");
}

void ExpectCustomPage(const Installer& in) {
    ExpectShown(in,
                {kFolderLabel, kLabelDesktop, kLabelStartMenu, kLabelAutoStart, kFolder, kBrowse, kDesktop,
                 kStartMenu, kAutoStart, kClose},
                {kLink, kCustomLink, kArrow, kLicence, kStatus, kPercent, kProgress});
    EXPECT_TRUE(::IsWindowVisible(in.InstallButton()));
    EXPECT_TRUE(::IsWindowEnabled(in.InstallButton()));
    EXPECT_EQ(TextOf(in.InstallButton()), L"安装");
}

void ExpectInstallingPage(const Installer& in) {
    ExpectShown(in, {kStatus, kPercent, kProgress, kClose},
                {kFolderLabel, kLabelDesktop, kLabelStartMenu, kLabelAutoStart, kFolder, kBrowse, kDesktop,
                 kStartMenu, kAutoStart, kLicence, kLink, kCustomLink, kArrow});
    EXPECT_FALSE(::IsWindowVisible(in.InstallButton()));
}

void ExpectFinishPage(const Installer& in) {
    ExpectShown(in, {kClose}, {kStatus, kPercent, kProgress, kFolder, kLicence, kArrow});
    EXPECT_TRUE(::IsWindowVisible(in.InstallButton()));
    EXPECT_EQ(TextOf(in.InstallButton()), L"完成");
}

// What a screen reader hears of a control, asked as screen readers ask: from this process, through the
// object the control's window hands out (AccessibleObjectFromWindow, OBJID_CLIENT). One line: role, name,
// value and the state bits a user acts on.
std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                                         static_cast<int>(text.size()), out.data(),
                                                         static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}
constexpr long kHeardStates = STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_LINKED;
std::string Said(long role, const std::wstring& name, const std::wstring& value, long state) {
    wchar_t roleText[64] = L"";
    ::GetRoleTextW(static_cast<DWORD>(role), roleText, 64);
    std::string line = Utf8(roleText) + " \"" + Utf8(name) + "\" value \"" + Utf8(value) + "\"";
    for (auto [bit, word] : {std::pair<long, const char*>{STATE_SYSTEM_CHECKED, "checked"},
                             {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
                             {STATE_SYSTEM_LINKED, "linked"}})
        if (state & bit)
            line += std::string(" ") + word;
    return line;
}
VARIANT Self() {
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}
UniqueComPtr<IAccessible> ObjectOf(HWND control) {
    UniqueComPtr<IAccessible> object;
    ::AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                 reinterpret_cast<void**>(object.put()));
    return object;
}
std::string HeardOf(HWND control) {
    const UniqueComPtr<IAccessible> object = ObjectOf(control);
    if (!object)
        return "(no object)";
    const VARIANT self = Self();
    auto text = [](HRESULT hr, BSTR b) {
        std::wstring t = SUCCEEDED(hr) && b != nullptr ? b : L"";
        ::SysFreeString(b);
        return t;
    };
    BSTR name = nullptr, value = nullptr;
    VARIANT role = {}, state = {};
    const HRESULT named = object->get_accName(self, &name);
    const HRESULT valued = object->get_accValue(self, &value);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    return Said(role.vt == VT_I4 ? role.lVal : 0, text(named, name), text(valued, value),
                state.vt == VT_I4 ? state.lVal & kHeardStates : 0);
}
// Presses a control as a screen reader does: its object's default action.
HRESULT PressAsScreenReader(HWND control) {
    const UniqueComPtr<IAccessible> object = ObjectOf(control);
    return object ? object->accDoDefaultAction(Self()) : E_NOINTERFACE;
}

// The name and value changes the installer announces for controls' client objects, as a screen reader's
// out-of-context hook receives them (they come with this thread's messages).
class HeardEvents {
  public:
    explicit HeardEvents(const Installer& in)
        : hook(::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Record,
                                 ::GetProcessId(in.process()), 0, WINEVENT_OUTOFCONTEXT)) {
        events().clear();
    }
    ~HeardEvents() { ::UnhookWinEvent(hook); }
    // Whether `event` came for `window` (each one counts once), waiting for it a while.
    bool Saw(DWORD event, HWND window) {
        return WaitFor(
            [&] {
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    ::DispatchMessageW(&msg);
                auto& seen = events();
                const auto found = std::find(seen.begin(), seen.end(), std::make_pair(event, window));
                if (found == seen.end())
                    return false;
                seen.erase(found);
                return true;
            },
            kPatienceMs);
    }

  private:
    static std::vector<std::pair<DWORD, HWND>>& events() {
        static std::vector<std::pair<DWORD, HWND>> seen;
        return seen;
    }
    static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                                DWORD) {
        if (object == OBJID_CLIENT && child == CHILDID_SELF)
            events().emplace_back(event, window);
    }
    HWINEVENTHOOK hook;
};

void AcceptLicence(Installer& in) {
    in.Click(in.Item(kLicence));
    ASSERT_TRUE(Checked(in.Item(kLicence)));
}

void GoToCustomPage(Installer& in) {
    AcceptLicence(in);
    in.Click(in.Item(kArrow));
    ExpectCustomPage(in);
}

// Closes the open message box (or folder dialog) with `command`; its text is returned.
std::wstring AnswerDialog(Installer& in, int command) {
    HWND box = in.WaitForOwnedDialog();
    if (box == nullptr)
        return L"(no dialog)";
    const std::wstring text = TextOf(::GetDlgItem(box, 0xFFFF)) + L"|" + TextOf(box);
    in.PostAndSettle(box, WM_COMMAND, command, 0);
    return text;
}

// The product's stand-in, placed where the finish button starts it: folder + "VaruPhoneAx\Varu.exe".
struct ProductFolder {
    TempDir dir;
    ProductFolder() {
        ::CreateDirectoryW((dir.path() + L"VaruPhoneAx").c_str(), nullptr);
        ::CopyFileW(WindowsPath(RADU_MARKER_EXE).c_str(), (dir.path() + L"VaruPhoneAx\\Varu.exe").c_str(),
                    FALSE);
    }
    std::wstring marker() const { return dir.path() + L"VaruPhoneAx\\started.txt"; }
    bool WaitForStart(DWORD ms) const {
        for (DWORD waited = 0; waited < ms; waited += 20) {
            if (FileExists(marker()))
                return true;
            ::Sleep(20);
        }
        return false;
    }
};

// Custom install into the product folder: the installing page, waiting for the install's messages.
void InstallInto(Installer& in, const ProductFolder& product) {
    GoToCustomPage(in);
    ::SendMessageW(in.Item(kFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(product.dir.path().c_str()));
    in.Click(in.InstallButton());
    ExpectInstallingPage(in);
    // Where the folder field was, the custom page's picture shows until the first banner's wipe gets
    // there, not what the hidden field last painted. The wipe reveals ten columns a tick of the 80 ms
    // timer that the click started, so column 420 is reached no sooner than 3.36 s after the click: a look
    // within 3 s of it, after everything waiting to be painted is painted, sees the picture or the fault.
    const ScreenPixels p =
        in.CaptureClient([](const ScreenPixels& s) { return !IsWhite(s.at(420, 116)); }, 3000);
    EXPECT_FALSE(IsWhite(p.at(420, 116))) << std::hex << p.at(420, 116);
}

TEST(InstallerWindow, StartPageAsItFirstShows) {
    Installer in(L"/S --quiet extra arguments");  // the command line is not read
    ASSERT_NE(in.Dialog(), nullptr);
    RECT client;
    ::GetClientRect(in.Dialog(), &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 400);
    const LONG style = ::GetWindowLongW(in.Dialog(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_BORDER);

    // Centred on the work area.
    RECT work, window;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(in.Dialog(), &window);
    EXPECT_NEAR(window.left - work.left, work.right - window.right, 1);
    EXPECT_NEAR(window.top - work.top, work.bottom - window.bottom, 1);

    ExpectStartPage(in);
    EXPECT_FALSE(::IsWindowEnabled(in.InstallButton()));
    EXPECT_FALSE(::IsWindowEnabled(in.Item(kArrow)));
    EXPECT_EQ(TextOf(in.Item(kLicence)), L"已阅读并同意");
    EXPECT_FALSE(Checked(in.Item(kLicence)));
    EXPECT_EQ(TextOf(in.Item(kLink)), L"许可协议");
    EXPECT_EQ(TextOf(in.Item(kCustomLink)), L"自定义安装");
    // What the later pages will show is set up already.
    EXPECT_EQ(TextOf(in.Item(kLabelDesktop)), L"生成桌面图标");
    EXPECT_EQ(TextOf(in.Item(kLabelStartMenu)), L"创建开始菜单");
    EXPECT_EQ(TextOf(in.Item(kLabelAutoStart)), L"开机启动");
    EXPECT_EQ(TextOf(in.Item(kStatus)), L"正在下载资源:");
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"0%");
    EXPECT_TRUE(SameText(TextOf(in.Item(kFolder)), L"C:\\Program Files\\")) << TextOf(in.Item(kFolder));
    EXPECT_TRUE(Checked(in.Item(kDesktop)));
    EXPECT_TRUE(Checked(in.Item(kStartMenu)));
    EXPECT_TRUE(Checked(in.Item(kAutoStart)));

    // The picture area shows the banner, the band below it is white.
    const ScreenPixels p = in.CaptureClient([](const ScreenPixels& s) { return IsWhite(s.at(300, 390)); });
    for (POINT pt : {POINT{300, 390}, POINT{5, 275}, POINT{595, 395}, POINT{150, 360}, POINT{500, 300}})
        EXPECT_TRUE(IsWhite(p.at(pt.x, pt.y))) << pt.x << "," << pt.y << " " << std::hex << p.at(pt.x, pt.y);
    EXPECT_FALSE(IsWhite(p.at(300, 265)));

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, LicenceBoxGatesInstallArrowAndCustomInstall) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    HWND custom = in.Item(kCustomLink);
    // Unticked: the link and the commands do nothing.
    in.MouseClick(custom);
    in.PostAndSettle(in.Dialog(), WM_COMMAND, MAKEWPARAM(kArrow, BN_CLICKED),
                     reinterpret_cast<LPARAM>(in.Item(kArrow)));
    ExpectStartPage(in);

    AcceptLicence(in);
    EXPECT_TRUE(::IsWindowEnabled(in.InstallButton()));
    EXPECT_TRUE(::IsWindowEnabled(in.Item(kArrow)));
    in.Click(in.Item(kLicence));
    EXPECT_FALSE(::IsWindowEnabled(in.InstallButton()));
    EXPECT_FALSE(::IsWindowEnabled(in.Item(kArrow)));
    in.MouseClick(custom);
    ExpectStartPage(in);

    AcceptLicence(in);
    in.MouseClick(custom);  // "自定义安装" opens the custom page
    ExpectCustomPage(in);
    EXPECT_TRUE(SameText(TextOf(in.Item(kFolder)), L"C:\\Program Files\\")) << TextOf(in.Item(kFolder));

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, CustomInstallBelongsToTheStartPageOnly) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    AcceptLicence(in);
    in.Click(in.InstallButton());  // quick install
    ExpectInstallingPage(in);
    // The arrow is hidden but may still hold the focus, where Enter presses it.
    in.PostAndSettle(in.Dialog(), WM_COMMAND, MAKEWPARAM(kArrow, BN_CLICKED),
                     reinterpret_cast<LPARAM>(in.Item(kArrow)));
    in.PostAndSettle(in.Dialog(), WM_COMMAND, MAKEWPARAM(kCustomLink, STN_CLICKED),
                     reinterpret_cast<LPARAM>(in.Item(kCustomLink)));
    ExpectInstallingPage(in);
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, OptionLabelsFlipTheirBoxes) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    GoToCustomPage(in);
    in.MouseClick(in.Item(kLabelDesktop));
    EXPECT_FALSE(Checked(in.Item(kDesktop)));
    EXPECT_TRUE(Checked(in.Item(kStartMenu)));
    in.MouseClick(in.Item(kLabelDesktop));
    EXPECT_TRUE(Checked(in.Item(kDesktop)));
    in.MouseClick(in.Item(kLabelAutoStart));
    EXPECT_FALSE(Checked(in.Item(kAutoStart)));
    in.MouseDoubleClick(in.Item(kLabelStartMenu));  // flips twice
    EXPECT_TRUE(Checked(in.Item(kStartMenu)));
    in.Click(in.Item(kStartMenu));  // the box itself
    EXPECT_FALSE(Checked(in.Item(kStartMenu)));

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, EnterEscAndSystemCloseDoNothing) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    auto keys = [&] {
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof(gui);
        ::GetGUIThreadInfo(in.threadId(), &gui);
        HWND focus = gui.hwndFocus != nullptr ? gui.hwndFocus : in.Dialog();
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            ::PostMessageW(focus, WM_KEYDOWN, key, 1);
            ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        }
        ::PostMessageW(in.Dialog(), WM_CLOSE, 0, 0);
        ::PostMessageW(in.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        in.Settle();
        ASSERT_TRUE(in.running());
        EXPECT_TRUE(::IsWindowVisible(in.Dialog()));
    };
    keys();
    ExpectStartPage(in);
    GoToCustomPage(in);
    ::SendMessageW(in.Item(kFolder), WM_SETFOCUS, 0, 0);
    keys();
    ExpectCustomPage(in);

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, SurfaceDragsTheWindowControlsDoNot) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    auto screen = [&](int x, int y) {
        POINT pt = {x, y};
        ::ClientToScreen(in.Dialog(), &pt);
        return pt;
    };
    auto hit = [&](HWND target, POINT pt) {
        return ::SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    };
    for (POINT c : {POINT{300, 100}, POINT{5, 5}, POINT{300, 380}, POINT{595, 395}}) {
        const POINT pt = screen(c.x, c.y);
        EXPECT_EQ(::WindowFromPoint(pt), in.Dialog()) << c.x << "," << c.y;
        EXPECT_EQ(hit(in.Dialog(), pt), HTCAPTION) << c.x << "," << c.y;
    }
    EXPECT_EQ(hit(in.Dialog(), screen(-50, -50)), HTNOWHERE);
    // Controls keep their own hit testing (a disabled control leaves the point to the window).
    AcceptLicence(in);
    for (HWND control : {in.InstallButton(), in.Item(kLicence), in.Item(kClose), in.Item(kLink)}) {
        RECT rc;
        ::GetWindowRect(control, &rc);
        const POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        EXPECT_EQ(::WindowFromPoint(centre), control) << ClassOf(control);
        EXPECT_EQ(hit(control, centre), HTCLIENT) << ClassOf(control);
    }
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, LookupsOfId1005ReachTheFolderLabel) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    HWND label = in.Item(1005);
    HWND button = in.InstallButton();
    ASSERT_NE(button, nullptr);
    EXPECT_NE(label, button);
    EXPECT_TRUE(SameText(ClassOf(label), L"Static"));
    EXPECT_EQ(TextOf(label), L"安装路径:");
    ::SetDlgItemTextW(in.Dialog(), 1005, L"路径");
    EXPECT_EQ(TextOf(label), L"路径");
    EXPECT_EQ(TextOf(button), L"快速安装");
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, ProgressMessagesMoveTheBarAndTheTexts) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    HeardEvents events(in);
    // A screen reader hears the bar's percent as its value, named by the status text, and is told of
    // each change.
    const HWND bar = in.Item(kProgress);
    auto barHeard = [&](const wchar_t* status, const wchar_t* value, DWORD announced) {
        if (announced != 0) {
            EXPECT_TRUE(events.Saw(announced, bar)) << Utf8(value);
        }
        EXPECT_EQ(HeardOf(bar), Said(ROLE_SYSTEM_PROGRESSBAR, status, value, 0));
    };
    AcceptLicence(in);
    in.Click(in.InstallButton());  // quick install
    ExpectInstallingPage(in);
    EXPECT_EQ(TextOf(in.Item(kStatus)), L"正在下载资源:");
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"0%");
    EXPECT_TRUE(BarEndsAt(0)(in.CaptureClient(BarEndsAt(0))));
    barHeard(L"正在下载资源", L"0%", 0);

    in.PostAndSettle(in.Dialog(), kDownloadProgress, 45);
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"45%");
    const ScreenPixels beforeStatus = in.CaptureClient(BarEndsAt(122));
    EXPECT_TRUE(BarEndsAt(122)(beforeStatus));
    barHeard(L"正在下载资源", L"45%", EVENT_OBJECT_VALUECHANGE);

    in.PostAndSettle(in.Dialog(), kUnpackBegin);
    EXPECT_EQ(TextOf(in.Item(kStatus)), L"正在解压资源:");
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"");
    barHeard(L"正在解压资源", L"45%", EVENT_OBJECT_NAMECHANGE);
    // The new status text is drawn clear of the bar: the bar's left end is as it was.
    const ScreenPixels afterStatus = in.CaptureClient();
    for (int x = kBarLeft; x < kBarLeft + 4; ++x)
        EXPECT_EQ(afterStatus.at(x, kBarMiddle), beforeStatus.at(x, kBarMiddle)) << "column " << x;
    in.PostAndSettle(in.Dialog(), kDownloadProgress, 90);  // too late: unpacking has begun
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"");
    EXPECT_TRUE(BarEndsAt(122)(in.CaptureClient(BarEndsAt(122))));
    barHeard(L"正在解压资源", L"45%", 0);

    in.PostAndSettle(in.Dialog(), kUnpackProgress, 3, 4);
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"75.00%");
    EXPECT_TRUE(BarEndsAt(204)(in.CaptureClient(BarEndsAt(204))));
    barHeard(L"正在解压资源", L"75%", EVENT_OBJECT_VALUECHANGE);
    in.PostAndSettle(in.Dialog(), kUnpackProgress, 1, 8);  // 12 % on the bar
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"12.50%");
    EXPECT_TRUE(BarEndsAt(32)(in.CaptureClient(BarEndsAt(32))));
    barHeard(L"正在解压资源", L"12%", EVENT_OBJECT_VALUECHANGE);
    in.PostAndSettle(in.Dialog(), kUnpackProgress, 0, 5);
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"0.00%");
    EXPECT_TRUE(BarEndsAt(0)(in.CaptureClient(BarEndsAt(0))));
    barHeard(L"正在解压资源", L"0%", EVENT_OBJECT_VALUECHANGE);
    in.PostAndSettle(in.Dialog(), kUnpackProgress, 5, 0);  // no entries: nothing to show
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"0.00%");

    // A shorter text leaves nothing of the longer one before it: the screen equals a fresh repaint.
    in.PostAndSettle(in.Dialog(), kUnpackProgress, 7, 8);
    EXPECT_EQ(TextOf(in.Item(kPercent)), L"87.50%");
    in.WaitForStillWindow();
    in.PostAndSettle(in.Dialog(), kUnpackProgress, 0, 8);
    in.WaitForStillWindow();
    RECT text;
    ::GetWindowRect(in.Item(kPercent), &text);
    ::MapWindowPoints(HWND_DESKTOP, in.Dialog(), reinterpret_cast<POINT*>(&text), 2);
    const ScreenPixels updated = in.CaptureClient();
    ::RedrawWindow(in.Dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    in.WaitForStillWindow();
    const ScreenPixels repainted = in.CaptureClient();
    int differing = 0;
    for (int y = text.top; y < text.bottom; ++y)
        for (int x = text.left; x < text.right; ++x)
            differing += updated.at(x, y) != repainted.at(x, y);
    EXPECT_EQ(differing, 0);

    const ScreenPixels p = in.CaptureClient();
    for (POINT pt : {POINT{300, 390}, POINT{5, 275}, POINT{50, 300}, POINT{595, 350}})
        EXPECT_TRUE(IsWhite(p.at(pt.x, pt.y))) << pt.x << "," << pt.y;

    ASSERT_TRUE(in.running());
    in.Click(in.Item(kClose));  // also while installing
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, FinishButtonStartsTheProductAndEndsWith1005) {
    ProductFolder product;
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    InstallInto(in, product);
    in.PostAndSettle(in.Dialog(), kUnpackDone);  // unpacking ends: bar full, then the finish page
    in.Settle();
    ExpectFinishPage(in);
    EXPECT_FALSE(product.WaitForStart(0));

    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForExit(), 1005u);
    ASSERT_TRUE(product.WaitForStart(kPatienceMs));
    const std::wstring path = ReadStartRecord(product.dir.path() + L"VaruPhoneAx\\").path;
    EXPECT_TRUE(SameText(path, product.dir.path() + L"VaruPhoneAx\\Varu.exe")) << path;
}

TEST(InstallerWindow, CloseOnTheFinishPageEndsWith1106) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    AcceptLicence(in);
    in.Click(in.InstallButton());
    in.PostAndSettle(in.Dialog(), kUnpackDone);
    in.Settle();
    ExpectFinishPage(in);
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, DownloadFailureCancelledStartsNothing) {
    ProductFolder product;
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    InstallInto(in, product);
    ::PostMessageW(in.Dialog(), kDownloadFailed, 7, 0);
    const std::wstring box = AnswerDialog(in, IDCANCEL);
    EXPECT_EQ(box, L"网络异常,安装失败.您可以直接下载完整的安装包进行安装，点击确定开始下载完整安装包!|提示");
    in.Settle();
    ExpectFinishPage(in);
    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForExit(), 1005u);
    EXPECT_FALSE(product.WaitForStart(500));
}

TEST(InstallerWindow, UnpackFailureShowsItsBoxAndStartsNothing) {
    ProductFolder product;
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    InstallInto(in, product);
    ::PostMessageW(in.Dialog(), kUnpackFailed, 3, 0);
    ::PostMessageW(in.Dialog(), kUnpackDone, 0, 0);
    ASSERT_NE(in.WaitForOwnedDialog(), nullptr);
    in.Settle();
    ExpectFinishPage(in);  // reached behind the box
    EXPECT_EQ(AnswerDialog(in, IDOK), L"权限不够，请使用管理员身份运行程序|提示");
    in.Settle();
    ExpectFinishPage(in);
    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForExit(), 1005u);
    EXPECT_FALSE(product.WaitForStart(500));
}

// Tab moves the focus through the page's visible, enabled controls in their reading order, and wraps.
TEST(InstallerWindow, TabWalksThePageInReadingOrderAndWraps) {
    constexpr int kInstall = 0;  // the install button, which shares its ID with the folder label
    struct Page {
        const char* name;
        bool custom;
        std::vector<int> order;
    };
    const Page pages[] = {
        {"start", false, {kLicence, kLink, kInstall, kArrow, kClose}},
        {"custom", true, {kFolder, kBrowse, kDesktop, kStartMenu, kAutoStart, kInstall, kClose}},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.name);
        Installer in;
        ASSERT_NE(in.Dialog(), nullptr);
        if (page.custom)
            GoToCustomPage(in);
        else
            AcceptLicence(in);
        auto control = [&](int id) { return id == kInstall ? in.InstallButton() : in.Item(id); };
        auto focus = [&] {
            GUITHREADINFO gui = {};
            gui.cbSize = sizeof(gui);
            ::GetGUIThreadInfo(in.threadId(), &gui);
            return gui.hwndFocus;
        };
        in.PostAndSettle(in.Dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(page.order[0])), TRUE);
        ASSERT_EQ(focus(), control(page.order[0]));
        const std::wstring folder = TextOf(in.Item(kFolder));
        for (size_t i = 1; i <= page.order.size(); ++i) {
            HWND from = focus();
            ::PostMessageW(from, WM_KEYDOWN, VK_TAB, 0x000F0001);
            in.PostAndSettle(from, WM_KEYUP, VK_TAB, 0xC00F0001);
            const int expected = page.order[i % page.order.size()];
            EXPECT_EQ(focus(), control(expected))
                << "Tab " << i << " should reach " << expected << ", reached " << ::GetDlgCtrlID(focus())
                << " " << ClassOf(focus());
        }
        EXPECT_EQ(TextOf(in.Item(kFolder)), folder);  // no Tab typed into the field
        in.Click(in.Item(kClose));
        EXPECT_EQ(in.WaitForExit(), 1106u);
    }
}

// A screen reader hears every control each page shows, with the role of its kind, its name, value and
// state, and is told when the page changes; the user goes from page to page through the controls' default
// actions, as a screen reader presses them.
TEST(InstallerWindow, AScreenReaderHearsEveryPageAndPressesThrough) {
    constexpr int kInstall = 0, kPage = -1;  // the install button (ID 1005 finds the label), the dialog
    constexpr long kChecked = STATE_SYSTEM_CHECKED, kOff = STATE_SYSTEM_UNAVAILABLE,
                   kLinked = STATE_SYSTEM_LINKED;
    constexpr long kPush = ROLE_SYSTEM_PUSHBUTTON, kBox = ROLE_SYSTEM_CHECKBUTTON,
                   kText = ROLE_SYSTEM_STATICTEXT;
    struct Row {
        int id;
        long role;
        const wchar_t* name;
        const wchar_t* value;
        long state;
    };
    struct Step {
        const char* page;
        int press;  // whose default action leads here (kPage: none)
        UINT post;  // or the install's message posted to the window
        std::vector<Row> heard;
    };
    const Step steps[] = {
        {"start",
         kPage,
         0,
         {{kPage, ROLE_SYSTEM_PROPERTYPAGE, L"欢迎", L"", 0},
          {kLicence, kBox, L"已阅读并同意", L"", 0},
          {kLink, ROLE_SYSTEM_LINK, L"许可协议", L"", kLinked},
          {kCustomLink, ROLE_SYSTEM_LINK, L"自定义安装", L"", kLinked},
          {kInstall, kPush, L"快速安装", L"", kOff},
          {kArrow, kPush, L"自定义安装", L"", kOff},
          {kClose, kPush, L"关闭", L"", 0}}},
        {"start, licence ticked",
         kLicence,
         0,
         {{kLicence, kBox, L"已阅读并同意", L"", kChecked},
          {kInstall, kPush, L"快速安装", L"", 0},
          {kArrow, kPush, L"自定义安装", L"", 0}}},
        {"custom",
         kCustomLink,
         0,
         {{kPage, ROLE_SYSTEM_PROPERTYPAGE, L"自定义安装", L"", 0},
          {kFolderLabel, kText, L"安装路径:", L"", 0},
          {kFolder, ROLE_SYSTEM_TEXT, L"安装路径", L"C:\\Program Files\\", 0},
          {kBrowse, kPush, L"浏览", L"", 0},
          {kDesktop, kBox, L"生成桌面图标", L"", kChecked},
          {kLabelDesktop, kText, L"生成桌面图标", L"", 0},
          {kStartMenu, kBox, L"创建开始菜单", L"", kChecked},
          {kLabelStartMenu, kText, L"创建开始菜单", L"", 0},
          {kAutoStart, kBox, L"开机启动", L"", kChecked},
          {kLabelAutoStart, kText, L"开机启动", L"", 0},
          {kInstall, kPush, L"安装", L"", 0},
          {kClose, kPush, L"关闭", L"", 0}}},
        {"custom, an option unticked", kAutoStart, 0, {{kAutoStart, kBox, L"开机启动", L"", 0}}},
        {"installing",
         kInstall,
         0,
         {{kPage, ROLE_SYSTEM_PROPERTYPAGE, L"正在安装", L"", 0},
          {kStatus, kText, L"正在下载资源:", L"", 0},
          {kProgress, ROLE_SYSTEM_PROGRESSBAR, L"正在下载资源", L"0%", 0},
          {kPercent, kText, L"0%", L"", 0},
          {kClose, kPush, L"关闭", L"", 0}}},
        {"finish",
         kPage,
         kUnpackDone,
         {{kPage, ROLE_SYSTEM_PROPERTYPAGE, L"安装完成", L"", 0},
          {kInstall, kPush, L"完成", L"", 0},
          {kClose, kPush, L"关闭", L"", 0}}},
    };
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    HeardEvents events(in);
    auto control = [&](int id) {
        return id == kInstall ? in.InstallButton() : id == kPage ? in.Dialog() : in.Item(id);
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.page);
        if (step.post != 0)
            in.PostAndSettle(in.Dialog(), step.post);
        if (step.press != kPage) {
            EXPECT_HRESULT_SUCCEEDED(PressAsScreenReader(control(step.press)));
        }
        in.Settle();
        if (step.heard.front().id == kPage && &step != &steps[0]) {
            EXPECT_TRUE(events.Saw(EVENT_OBJECT_NAMECHANGE, in.Dialog())) << "the page change is announced";
        }
        for (const Row& row : step.heard)
            EXPECT_EQ(HeardOf(control(row.id)), Said(row.role, row.name, row.value, row.state))
                << "control " << row.id;
    }
    EXPECT_HRESULT_SUCCEEDED(PressAsScreenReader(in.Item(kClose)));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

// The folder is used as it stands: typed case stays, and no line break gets in, typed or pasted.
TEST(InstallerWindow, FolderFieldKeepsCaseAndTakesNoLineBreaks) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    GoToCustomPage(in);
    HWND field = in.Item(kFolder);
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : std::wstring(L"D:\\To\n\rols"))  // '\n' is Ctrl+Enter
        ::PostMessageW(field, WM_CHAR, c, 1);
    in.Settle();
    EXPECT_EQ(TextOf(field), L"D:\\Tools");

    // Pasted from another program's clipboard over the whole text.
    struct WindowCloser {
        void operator()(HWND h) const { ::DestroyWindow(h); }
    };
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser> owner(
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    const std::wstring copied = L"E:\\My\r\nApps\n\\\r\n";
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (copied.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    std::copy_n(copied.c_str(), copied.size() + 1, static_cast<wchar_t*>(::GlobalLock(block)));
    ::GlobalUnlock(block);
    const bool placed = ::OpenClipboard(owner.get()) && ::EmptyClipboard() &&
                        ::SetClipboardData(CF_UNICODETEXT, block) != nullptr;  // the clipboard owns it now
    ::CloseClipboard();
    if (!placed)
        ::GlobalFree(block);
    ASSERT_TRUE(placed);
    ::PostMessageW(field, EM_SETSEL, 0, -1);
    in.PostAndSettle(field, WM_PASTE);
    EXPECT_EQ(TextOf(field), L"E:\\MyApps\\");

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, FolderTextLongerThan230UnitsOrNoAbsoluteFolderIsRefused) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    GoToCustomPage(in);
    HWND field = in.Item(kFolder);
    EXPECT_EQ(::SendMessageW(field, EM_GETLIMITTEXT, 0, 0), 230);

    // Typing stops at 230 units.
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (int i = 0; i < 240; ++i)
        ::PostMessageW(field, WM_CHAR, L'a', 1);
    in.Settle();
    EXPECT_EQ(TextLength(field), 230);

    // Text put there by other means is refused when the install starts; the page stays.
    const std::wstring tooLong = L"C:\\" + std::wstring(227, L'x') + L"\\";  // 231 units
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tooLong.c_str()));
    ASSERT_EQ(TextLength(field), 231);
    ::PostMessageW(in.InstallButton(), BM_CLICK, 0, 0);
    const std::wstring box = AnswerDialog(in, IDOK);
    EXPECT_NE(box.find(L"230"), std::wstring::npos) << box;
    EXPECT_NE(box.find(L"|提示"), std::wstring::npos) << box;
    ExpectCustomPage(in);
    // So is text that names no absolute folder (empty, relative, with a character no name may hold).
    for (const wchar_t* text : {L"", L"Apps\\", L"D:Apps", L"C:\\Ap|ps\\"}) {
        ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        ::PostMessageW(in.InstallButton(), BM_CLICK, 0, 0);
        const std::wstring unusable = AnswerDialog(in, IDOK);
        EXPECT_NE(unusable.find(L"完整的安装路径"), std::wstring::npos) << unusable;
        EXPECT_NE(unusable.find(L"|提示"), std::wstring::npos) << unusable;
        ExpectCustomPage(in);
    }

    const std::wstring longest = L"C:\\" + std::wstring(226, L'x') + L"\\";  // 230 units
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(longest.c_str()));
    in.Click(in.InstallButton());
    EXPECT_EQ(in.WaitForOwnedDialog(300), nullptr);
    ExpectInstallingPage(in);

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, FolderBrowserChoosesRestoresAndRefuses) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    GoToCustomPage(in);
    HWND field = in.Item(kFolder);
    auto browse = [&](const wchar_t* select, int command) {
        ::PostMessageW(in.Item(kBrowse), BM_CLICK, 0, 0);
        HWND dialog = in.WaitForOwnedDialog();
        if (dialog == nullptr)
            return false;
        // Modal to the window: nothing of it can be used while the dialog is open.
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), in.Dialog());
        EXPECT_FALSE(::IsWindowEnabled(in.Dialog()));
        if (select != nullptr)
            ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(in.RemoteText(select)));
        in.PostAndSettle(dialog, WM_COMMAND, command, 0);
        return true;
    };

    // Cancelled: a folder typed into the field gives way to the install folder.
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D:\\typed\\"));
    ASSERT_TRUE(browse(nullptr, IDCANCEL));
    EXPECT_TRUE(SameText(TextOf(field), L"C:\\Program Files\\")) << TextOf(field);
    // Opened on the install folder: OK at once keeps it.
    ASSERT_TRUE(browse(nullptr, IDOK));
    EXPECT_TRUE(SameText(TextOf(field), L"C:\\Program Files\\")) << TextOf(field);

    ::CreateDirectoryW(L"C:\\RaduTools", nullptr);
    ASSERT_TRUE(browse(L"C:\\RaduTools", IDOK));
    EXPECT_TRUE(SameText(TextOf(field), L"C:\\RaduTools\\")) << TextOf(field);
    ASSERT_TRUE(browse(L"C:\\", IDOK));
    EXPECT_TRUE(SameText(TextOf(field), L"C:\\")) << TextOf(field);

    // A folder whose path is too long for the product's paths is refused with a message.
    std::wstring deep = L"C:\\" + std::wstring(100, L'a');
    ::CreateDirectoryW(deep.c_str(), nullptr);
    deep += L"\\" + std::wstring(100, L'b');
    ::CreateDirectoryW(deep.c_str(), nullptr);
    deep += L"\\" + std::wstring(40, L'c');
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ::PostMessageW(in.Item(kBrowse), BM_CLICK, 0, 0);
    HWND dialog = in.WaitForOwnedDialog();
    ASSERT_NE(dialog, nullptr);
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(in.RemoteText(deep)));
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, kPatienceMs));
    const std::wstring box = AnswerDialog(in, IDOK);
    EXPECT_NE(box.find(L"230"), std::wstring::npos) << box;
    EXPECT_TRUE(SameText(TextOf(field), L"C:\\")) << TextOf(field);

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

TEST(InstallerWindow, StartedMinimisedShowsMinimised) {
    Installer in(L"", SW_SHOWMINNOACTIVE);
    ASSERT_NE(in.Dialog(), nullptr);
    EXPECT_TRUE(::IsIconic(in.Dialog()));
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

// Screenshots of the four pages, when RADU_SCREENSHOT_DIR names a folder (Windows path).
TEST(InstallerScreenshots, EachPage) {
    const std::wstring folder = Env(L"RADU_SCREENSHOT_DIR");
    if (folder.empty())
        GTEST_SKIP() << "set RADU_SCREENSHOT_DIR to take screenshots";
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    in.WaitForStillWindow();
    EXPECT_TRUE(in.SaveScreenshot(folder + L"\\start.png"));
    GoToCustomPage(in);
    in.WaitForStillWindow();
    EXPECT_TRUE(in.SaveScreenshot(folder + L"\\custom.png"));
    in.Click(in.InstallButton());
    in.PostAndSettle(in.Dialog(), kDownloadProgress, 50);
    // The first banner's wipe in whole: its 60 ticks sent at once, the real timer's on top of them only
    // hold it (for 50 ticks, 4 s) before the second banner's wipe begins.
    for (int tick = 0; tick < 60; ++tick)
        ::PostMessageW(in.Dialog(), WM_TIMER, kSlideshowTimer, 0);
    in.Settle();
    in.WaitForStillWindow();
    EXPECT_TRUE(in.SaveScreenshot(folder + L"\\installing.png"));
    in.PostAndSettle(in.Dialog(), kUnpackDone);
    in.Settle();
    in.WaitForStillWindow();
    EXPECT_TRUE(in.SaveScreenshot(folder + L"\\finish.png"));
    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

}  // namespace
}  // namespace radu::test

namespace radu::test {
namespace {

void MouseTo(POINT pt, DWORD buttons = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((pt.x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>((pt.y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    ::SendInput(1, &input, sizeof(input));
}

// Presses the left button at `from`, moves in steps to `from` + (dx, dy) and lets go, as a hand would.
void Drag(POINT from, int dx, int dy) {
    MouseTo(from);
    MouseTo(from, MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 10; ++i) {
        ::Sleep(15);  // the pace of a hand, so that the steps arrive as separate moves
        MouseTo({from.x + dx * i / 10, from.y + dy * i / 10});
    }
    MouseTo({from.x + dx, from.y + dy}, MOUSEEVENTF_LEFTUP);
}

POINT OnScreen(const Installer& in, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(in.Dialog(), &pt);
    return pt;
}

int Luminance(DWORD c) {
    return static_cast<int>(((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF));
}

TEST(InstallerMouse, TheSurfaceDragsTheWindowAControlDoesNot) {
    Installer in;
    ASSERT_NE(in.Dialog(), nullptr);
    AcceptLicence(in);
    RECT before, after;
    ::GetWindowRect(in.Dialog(), &before);

    // Pressed on the licence box and let go beside it: neither a move nor a click.
    RECT box;
    ::GetWindowRect(in.Item(kLicence), &box);
    Drag({box.left + 6, (box.top + box.bottom) / 2}, 40, 30);
    in.Settle();
    ::GetWindowRect(in.Dialog(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(Checked(in.Item(kLicence)));

    // Pressed on the banner: the window follows the mouse.
    Drag(OnScreen(in, 300, 150), 40, 30);
    WaitFor(
        [&] {
            ::GetWindowRect(in.Dialog(), &after);
            return after.left == before.left + 40 && after.top == before.top + 30;
        },
        kPatienceMs);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);

    // Over the install button its face turns to the lighter hover frame, and back when the mouse leaves.
    // The mouse is moved a little at every look, as a hand on it does: a move that reached the window while
    // it was still being dragged (its drag ends with the button's release, handled when the window gets to
    // it) is not one the button sees.
    const POINT face = {230, 333};  // left of the text
    in.WaitForStillWindow();
    const int normal = Luminance(in.CaptureClient().at(face.x, face.y));
    int nudge = 0;
    auto hoverWhere = [&](POINT at, const std::function<bool(int)>& shows) {
        return in.CaptureClient([&](const ScreenPixels& p) {
            if (shows(Luminance(p.at(face.x, face.y))))
                return true;
            MouseTo(OnScreen(in, at.x + (++nudge % 2) * 2, at.y));
            return false;
        });
    };
    const ScreenPixels hovered = hoverWhere(face, [&](int luminance) { return luminance > normal + 100; });
    EXPECT_GT(Luminance(hovered.at(face.x, face.y)), normal + 100);
    const ScreenPixels left =  // the mouse on the white band below
        hoverWhere({face.x, 380}, [&](int luminance) { return std::abs(luminance - normal) < 30; });
    EXPECT_LT(std::abs(Luminance(left.at(face.x, face.y)) - normal), 30);
    MouseTo({0, 0});

    in.Click(in.Item(kClose));
    EXPECT_EQ(in.WaitForExit(), 1106u);
}

}  // namespace
}  // namespace radu::test
