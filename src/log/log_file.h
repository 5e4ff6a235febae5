// SPDX-License-Identifier: MIT
#pragma once
// What the session log needs of the system, one source per system (log_file_posix.cpp, log_file_windows.cpp):
// a file that several processes append to, each under a lock of the whole file, and that the one holding the
// lock may rename to FILE.1 while the others still have it open. Errors are the system's, whose message() is
// its reason for a person to read. Paths are UTF-8.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace q7 {

class LogFile {
  public:
    LogFile() = default;
    LogFile(LogFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}
    LogFile& operator=(LogFile&&) = delete;
    ~LogFile() { close(); }

    // For appending, created if need be, in place of the file held before, whose lock goes with it even when
    // the path cannot be opened.
    std::error_code open(const std::string& path);
    // The whole file, against other processes; waits for the one that holds it.
    std::error_code lock();
    void unlock();
    // Whether the path still names this file: another process may have renamed it to FILE.1, or a person
    // removed it.
    bool isNamedBy(const std::string& path) const;
    std::error_code size(std::uint64_t& bytes) const;
    // Appends the bytes, or their beginning, at the end of the file: how many, or 0 with the error.
    std::size_t write(std::string_view bytes, std::error_code& error);
    bool truncate(std::uint64_t bytes);

  private:
    void close();

    std::intptr_t handle_ = -1; // a descriptor, or a Windows HANDLE
};

// PATH becomes PATH.1, in place of an older one; a PATH that is gone is no error.
std::error_code renameToOlder(const std::string& path);

struct LocalTime {
    std::tm fields{};
    long utcOffsetSeconds = 0; // east of Greenwich, daylight saving time included
};
LocalTime localTimeAt(std::time_t when);

} // namespace q7
