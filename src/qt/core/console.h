// SPDX-License-Identifier: MIT
#pragma once
// The console the programs print to. On Windows a console shows bytes in its own code page, so the texts
// (Japanese, "°C") go out in UTF-8; and q7panel.exe, a program of the window subsystem, has no console of its
// own: its --help, --version and --list-ports are printed on the console it was started from, if any. Linux's
// terminals need nothing.

namespace q7 {

// Before anything is printed.
void prepareConsole();
// Before the window opens: a console that the program holds on to would end it when closed.
void releaseConsole();

} // namespace q7
