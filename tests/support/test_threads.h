// Names for the threads a test program runs, so that a report of what still runs in a process that did
// not end says what each thread is.
#pragma once

#include <windows.h>

#include <string>

namespace radu::test {

// Gives the thread a name (SetThreadDescription; nothing where the system lacks it).
void NameThread(HANDLE thread, const wchar_t* name);
// The name of a thread of this process, or the empty text.
std::wstring ThreadName(DWORD threadId);

}  // namespace radu::test
