// SPDX-License-Identifier: MIT
#include "qt/core/console.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace q7 {
namespace {

bool attached = false;
UINT codePageBefore = 0; // none while there is no console

bool missing(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

// The code page belongs to the console, which the shell that started us goes on using.
void restoreCodePage() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (codePageBefore != 0) SetConsoleOutputCP(codePageBefore);
    codePageBefore = 0;
}

// The C library may write to a console a byte at a time and, in text mode, convert each byte on its own
// (Wine's does): a character of several bytes would come out as several wrong ones. Whole texts, as they
// are, reach the console as the UTF-8 they are; it starts a new line at a bare LF.
void writeWhole(std::FILE* stream) {
    DWORD mode = 0;
    if (!GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode)) return;
    (void)_setmode(_fileno(stream), _O_BINARY);
    (void)std::setvbuf(stream, nullptr, _IOFBF, 64 * 1024);
}

} // namespace

void prepareConsole() {
    // Output redirected to a file or a pipe keeps its handles; only what has none goes to the console.
    const bool out = missing(STD_OUTPUT_HANDLE), err = missing(STD_ERROR_HANDLE);
    if ((out || err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        attached = true;
        if (out) (void)std::freopen("CONOUT$", "w", stdout);
        if (err) (void)std::freopen("CONOUT$", "w", stderr);
    }
    codePageBefore = GetConsoleOutputCP();
    if (codePageBefore == 0 || !SetConsoleOutputCP(CP_UTF8)) {
        codePageBefore = 0;
        return;
    }
    std::atexit(restoreCodePage);
    writeWhole(stdout);
    writeWhole(stderr);
}

void releaseConsole() {
    restoreCodePage();
    if (attached) FreeConsole();
    attached = false;
}

} // namespace q7
