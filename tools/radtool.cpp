// radtool: a console companion to the installer for diagnosis and benchmarks.
#include <cstdio>
#include <cwchar>

#include "tools/commands.h"

namespace {

struct Command {
    const wchar_t* name;
    int (*run)(int argc, wchar_t** argv);
    const wchar_t* usage;
};

const Command kCommands[] = {
    {L"fetch", radtool::Fetch,
     L"radtool fetch URL DEST_FOLDER [--single] [--key PUBLIC.pem [--min-serial N]]"},
    {L"unpack", radtool::Unpack, L"radtool unpack ZIP DEST_FOLDER"},
    {L"check", radtool::Check, L"radtool check PACKAGE ADDRESS PUBLIC.pem [--min-serial N]"},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2) {
        for (const Command& c : kCommands) {
            if (std::wcscmp(argv[1], c.name) == 0)
                return c.run(argc - 2, argv + 2);
        }
    }
    std::fwprintf(stderr, L"usage:\n");
    for (const Command& c : kCommands)
        std::fwprintf(stderr, L"  %ls\n", c.usage);
    return 2;
}
