// What a running process holds, read from outside it: GDI and USER objects, windows, kernel handles and
// its working set. Wine (8.0) does not implement GetGuiResources and answers GetProcessHandleCount with
// 0; where an answer is missing like that, the figure comes from the next best source, named in `from`:
// the process's own GDI handle table (read through its PEB), the system's handle list.
#pragma once

#include <windows.h>

#include <string>

namespace radu::test {

struct ProcessFigures {
    long gdiObjects = -1;   // live GDI objects; -1 when no source answered
    long userObjects = -1;  // USER objects (GetGuiResources only); -1 when it is not implemented
    long windows = 0;       // the process's windows, top-level and child
    long handles = -1;      // kernel handles
    double workingSetMiB = 0;
    std::string from;  // where the GDI and handle figures came from
};

ProcessFigures ReadFigures(HANDLE process, DWORD processId);

// "gdi 312 user n/a windows 41 handles 97 working set 21.3 MiB"
std::string FiguresText(const ProcessFigures& figures);

}  // namespace radu::test
