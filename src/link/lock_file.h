// SPDX-License-Identifier: MIT
#pragma once
// The lock file that keeps a second program off a serial device (UUCP style, in /run/lock): its first line
// starts with the owner's process id in ASCII, padded with blanks by some ("%10d"), followed by more words by
// others (minicom: the program and the user); QLockFile, which the port service uses, writes the program and
// the host on the next lines. Pure: the file is read, and the process looked for, elsewhere (qt/qt_line.h).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace q7 {

struct LockOwner {
    int pid = 0;
    std::string host; // empty where the file names none
};

// The owner a lock file names, or none where its first line does not start with a process id.
std::optional<LockOwner> lockOwner(std::string_view content);

// Whether the owner has ended: a process id is only meaningful on its own host, so a lock naming another host
// is never taken for left over.
bool lockOwnerEnded(const LockOwner& owner, std::string_view thisHost,
                    const std::function<bool(int pid)>& processExists);

} // namespace q7
