// Starting what the user goes on using after the installer (the installed product, the web browser with
// an address) as the user who is logged on, not as this elevated program: the request goes to the desktop
// shell the user is logged on with, and the shell starts it with its own token.
#pragma once

namespace radu {

enum class OpenedBy {
    kUserShell,      // the user's desktop shell started it
    kUserShellLate,  // the shell took it but did not answer in time, or refused it: left to the shell
    kThisProgram,    // no shell desktop, or it did not take the file in time: started from here
    kNobody,         // neither could start it
};

// Opens `file` (a program's full path or an http address) with the verb "open" and the show command
// `show` through the logged-on user's desktop shell; when there is none, or it does not get as far as
// taking the file within a few seconds, with ShellExecuteW from this program, as an unelevated program
// would have done. Once the shell has taken the file it is never started from here as well.
// Never waits for what it started. Call it from a thread with a message queue: while it waits for the
// shell it handles the messages other threads send to this one, but none of those posted to it, so no
// click, timer or paint of the caller's window runs in the middle of the caller's own handler.
OpenedBy OpenAsUser(const wchar_t* file, int show);

}  // namespace radu
