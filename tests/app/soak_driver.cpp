// The installer over and over, for bench/soak (not a test): installs in a row in one prefix, alternating
// the good road and the failure roads, then the installing page left open on a download that trickles.
// It prints what the installer holds (GDI and USER objects, windows, kernel handles, working set) at the
// start and the end of each phase and exits 1 when anything grew, or when an install did not end as its
// road must.
//   soak_driver [--installs N] [--page-seconds S] [--sample-seconds S]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "installer_driver.h"
#include "package_front.h"
#include "process_figures.h"
#include "product_state.h"
#include "support/port80_recorder.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

enum : int { kPercent = 1010, kClose = 1106, kLicence = 1108 };

// A working set that moves by less than this is flat: the heap and the system's caches breathe.
constexpr double kWorkingSetSlackMiB = 4.0;

// The lowest of each figure over some installs. Installs are processes of their own, so across them
// only what the prefix keeps could grow, and it would lift every install; what varies from one to the
// next (a message box's objects still being freed as the finish page is read) only adds to some. So the
// floor of the last half of a road's installs is held against the floor of the first half.
ProcessFigures Floor(const std::vector<ProcessFigures>& seen, size_t from, size_t to) {
    ProcessFigures low = seen[from];
    for (size_t i = from + 1; i < to; ++i) {
        low.gdiObjects = std::min(low.gdiObjects, seen[i].gdiObjects);
        low.userObjects = std::min(low.userObjects, seen[i].userObjects);
        low.windows = std::min(low.windows, seen[i].windows);
        low.handles = std::min(low.handles, seen[i].handles);
        low.workingSetMiB = std::min(low.workingSetMiB, seen[i].workingSetMiB);
    }
    return low;
}

struct SoakRoad {
    const char* name;
    Front front;
    const char* package;
    std::vector<int> answers;  // the buttons that answer the boxes the road meets, in order
    bool started;              // the product is started by the finish button
};

const SoakRoad kGood = {"good", Front::kRedirect, "good", {}, true};
const SoakRoad kFailures[] = {
    {"404", Front::kNotFound, "", {IDCANCEL}, false},
    {"down", Front::kDown, "", {IDCANCEL}, false},
    {"broken", Front::kRedirect, "broken", {IDOK, IDOK}, false},
};

void Forget() {
    ForgetProductRegistration();
    RemoveTree(L"C:\\Program Files\\VaruPhoneAx");
    for (const std::wstring& file : DownloadLeftovers())
        ::DeleteFileW(file.c_str());
}

bool OnFinishPage(const Installer& in) {
    HWND button = in.InstallButton();
    return ::IsWindowVisible(button) && TextOf(button) == L"完成";
}

ProcessFigures Figures(const Installer& in) {
    return ReadFigures(in.process(), ::GetProcessId(in.process()));
}

// Growth from `first` to `last` beyond `slack`: a word for each figure that grew, empty when none did.
std::string Growth(const ProcessFigures& first, const ProcessFigures& last, long slack) {
    std::string grown;
    auto check = [&](const char* name, long a, long b) {
        if (b > a + slack)
            grown += std::string(" ") + name + " +" + std::to_string(b - a);
    };
    check("gdi", first.gdiObjects, last.gdiObjects);
    check("user", first.userObjects, last.userObjects);
    check("windows", first.windows, last.windows);
    check("handles", first.handles, last.handles);
    if (last.workingSetMiB - first.workingSetMiB > kWorkingSetSlackMiB) {
        char text[64];
        std::snprintf(text, sizeof text, " working set +%.1f MiB", last.workingSetMiB - first.workingSetMiB);
        grown += text;
    }
    return grown;
}

// One install along a road, from the start page to the ended program. False when it did not end as the
// road must. `start` and `finish`: the figures on the start page and on the finish page.
bool Install(int number, const SoakRoad& road, ProcessFigures& start, ProcessFigures& finish) {
    Forget();
    auto front = StartPackageFront(road.front, "soak" + std::to_string(number), road.package);
    Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    Installer in;
    if (in.Dialog() == nullptr)
        return false;
    in.WaitForStillWindow();  // painted: the skinned controls have taken their backgrounds
    start = Figures(in);
    in.Click(in.Item(kLicence));
    in.Click(in.InstallButton());
    for (int answer : road.answers) {
        HWND box = in.WaitForOwnedDialog(60000);
        if (box == nullptr)
            return false;
        ::PostMessageW(box, WM_COMMAND, answer, 0);
        WaitFor([&] { return !::IsWindow(box); }, 5000);
    }
    if (!WaitFor([&] { return OnFinishPage(in); }, 60000))
        return false;
    in.WaitForStillWindow();
    finish = Figures(in);
    in.Click(in.InstallButton());
    if (in.WaitForExit() != 1005)
        return false;
    const std::wstring product = L"C:\\Program Files\\VaruPhoneAx\\started.txt";
    const bool started = WaitFor([&] { return FileExists(product); }, road.started ? 10000 : 0);
    return started == road.started && DownloadLeftovers().empty();
}

int Soak(int installs, DWORD pageSeconds, DWORD sampleSeconds) {
    bool good = true;
    std::printf("phase 1: %d installs in a row, the good road and the failure roads by turns\n", installs);
    std::map<std::string, std::vector<ProcessFigures>> starts, finishes;
    int failedInstalls = 0;
    for (int i = 0; i < installs; ++i) {
        const SoakRoad& road = i % 2 == 0 ? kGood : kFailures[(i / 2) % 3];
        ProcessFigures start, finish;
        const bool ended = Install(i, road, start, finish);
        failedInstalls += ended ? 0 : 1;
        std::printf("  %2d %-6s %s | start page: %s | finish page: %s\n", i + 1, road.name,
                    ended ? "ok    " : "FAILED", FiguresText(start).c_str(), FiguresText(finish).c_str());
        std::fflush(stdout);
        starts[road.name].push_back(start);
        finishes[road.name].push_back(finish);
    }
    if (failedInstalls > 0) {
        std::printf("  %d installs did not end as their road must\n", failedInstalls);
        good = false;
    }
    for (const auto& [name, start] : starts) {
        for (const auto& [page, seen] :
             {std::make_pair("start page", start), std::make_pair("finish page", finishes[name])}) {
            if (seen.size() < 2)
                continue;
            const size_t half = seen.size() / 2;
            const ProcessFigures early = Floor(seen, 0, half), late = Floor(seen, half, seen.size());
            const std::string grown = Growth(early, late, 0);
            std::printf("  %-6s %-11s first: %s\n", name.c_str(), page, FiguresText(seen.front()).c_str());
            std::printf("  %-6s %-11s last:  %s\n", name.c_str(), page, FiguresText(seen.back()).c_str());
            std::printf("  %-6s %-11s lowest of its installs 1-%zu: %s; of %zu-%zu: %s%s%s\n", name.c_str(),
                        page, half, FiguresText(early).c_str(), half + 1, seen.size(),
                        FiguresText(late).c_str(), grown.empty() ? "" : "  GREW:", grown.c_str());
            good = good && grown.empty();
        }
    }

    std::printf("phase 2: the installing page for %lu s on a download at 1 KiB/s\n",
                static_cast<unsigned long>(pageSeconds));
    Forget();
    auto front = StartPackageFront(Front::kTrickleRedirect, "soak-page", "good");
    Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    Installer in;
    if (in.Dialog() == nullptr)
        return 1;
    in.Click(in.Item(kLicence));
    in.Click(in.InstallButton());
    // Figures once the download runs and the slideshow has been through its pictures a few times.
    WaitFor([&] { return TextOf(in.Item(kPercent)) != L"0%"; }, 30000);
    ::Sleep(5000);
    const ProcessFigures first = Figures(in);
    std::printf("  start:  %s (from %s)\n", FiguresText(first).c_str(), first.from.c_str());
    std::fflush(stdout);
    ProcessFigures last = first;
    const DWORD begin = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < pageSeconds * 1000; elapsed = ::GetTickCount() - begin) {
        ::Sleep(std::min<DWORD>(sampleSeconds * 1000, pageSeconds * 1000 - elapsed));
        last = Figures(in);
        std::printf("  %4lu s: %s, %ls downloaded\n",
                    static_cast<unsigned long>((::GetTickCount() - begin) / 1000), FiguresText(last).c_str(),
                    TextOf(in.Item(kPercent)).c_str());
        std::fflush(stdout);
    }
    const bool stillInstalling = !OnFinishPage(in) && in.WaitForOwnedDialog(0) == nullptr;
    const std::string grown = Growth(first, last, 0);  // one process: nothing may grow at all
    std::printf("  end:    %s%s%s\n", FiguresText(last).c_str(),
                grown.empty() ? "" : "  GREW:", grown.c_str());
    if (!stillInstalling) {
        std::printf("  the installing page did not stay up for the whole phase\n");
        good = false;
    }
    good = good && grown.empty();
    in.Click(in.Item(kClose));
    in.WaitForExit();
    Forget();
    std::printf("%s\n", good ? "nothing grew" : "FAILED");
    return good ? 0 : 1;
}

}  // namespace
}  // namespace radu::test

int wmain(int argc, wchar_t** argv) {
    int installs = 50;
    DWORD pageSeconds = 600, sampleSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring arg = argv[i];
        const int value = _wtoi(argv[i + 1]);
        if (arg == L"--installs")
            installs = value;
        else if (arg == L"--page-seconds")
            pageSeconds = static_cast<DWORD>(value);
        else if (arg == L"--sample-seconds")
            sampleSeconds = static_cast<DWORD>(value > 0 ? value : 1);
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = radu::test::Soak(installs, pageSeconds, sampleSeconds);
    ::CoUninitialize();
    return result;
}
