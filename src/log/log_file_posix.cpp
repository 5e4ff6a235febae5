// SPDX-License-Identifier: MIT
#include "log/log_file.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace q7 {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

} // namespace

std::error_code LogFile::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return lastError();
    handle_ = fd;
    return {};
}

void LogFile::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

std::error_code LogFile::lock() {
    return ::flock(static_cast<int>(handle_), LOCK_EX) == 0 ? std::error_code() : lastError();
}

void LogFile::unlock() {
    ::flock(static_cast<int>(handle_), LOCK_UN);
}

bool LogFile::isNamedBy(const std::string& path) const {
    struct stat ours = {}, named = {};
    return ::fstat(static_cast<int>(handle_), &ours) == 0 && ::stat(path.c_str(), &named) == 0 &&
           named.st_dev == ours.st_dev && named.st_ino == ours.st_ino;
}

std::error_code LogFile::size(std::uint64_t& bytes) const {
    struct stat ours = {};
    if (::fstat(static_cast<int>(handle_), &ours) != 0) return lastError();
    bytes = static_cast<std::uint64_t>(ours.st_size);
    return {};
}

std::size_t LogFile::write(std::string_view bytes, std::error_code& error) {
    for (;;) {
        const ssize_t n = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (n > 0) return static_cast<std::size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        error = n < 0 ? lastError() : std::make_error_code(std::errc::io_error);
        return 0;
    }
}

bool LogFile::truncate(std::uint64_t bytes) {
    return ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(bytes)) == 0;
}

std::error_code renameToOlder(const std::string& path) {
    return ::rename(path.c_str(), (path + ".1").c_str()) == 0 || errno == ENOENT ? std::error_code()
                                                                                 : lastError();
}

LocalTime localTimeAt(std::time_t when) {
    LocalTime local;
    if (::localtime_r(&when, &local.fields)) local.utcOffsetSeconds = local.fields.tm_gmtoff;
    return local;
}

} // namespace q7
