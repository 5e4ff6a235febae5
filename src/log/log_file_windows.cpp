// SPDX-License-Identifier: MIT
#include "log/log_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace q7 {
namespace {

std::wstring wide(const std::string& utf8) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// The system's text in UTF-8, where libstdc++'s system_category() gives it in the ANSI code page.
class WindowsCategory final : public std::error_category {
  public:
    const char* name() const noexcept override { return "windows"; }
    std::string message(int code) const override {
        wchar_t* text = nullptr;
        const DWORD n = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string out;
        if (n > 0) {
            const int bytes =
                ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
            out.resize(static_cast<std::size_t>(bytes));
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), bytes, nullptr, nullptr);
        }
        ::LocalFree(text);
        // The log's message ends the sentence itself.
        while (!out.empty() && (out.back() == '.' || std::isspace(static_cast<unsigned char>(out.back()))))
            out.pop_back();
        return out.empty() ? "error " + std::to_string(code) : out;
    }
};

std::error_code lastError() {
    static const WindowsCategory category;
    return {static_cast<int>(::GetLastError()), category};
}

HANDLE openShared(const std::string& path, DWORD access, DWORD disposition) {
    return ::CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// From the start to the end of any file, as flock() takes it.
constexpr DWORD kWhole = MAXDWORD;

} // namespace

// Truncating takes FILE_WRITE_DATA, with which a write goes where the file pointer is; each write asks for
// the end of the file instead.
std::error_code LogFile::open(const std::string& path) {
    close();
    const HANDLE h = openShared(path, FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return {};
}

// The lock let go before the handle, since Windows frees the locks of a closed handle only when it gets to
// it.
void LogFile::close() {
    if (handleOf(handle_) == INVALID_HANDLE_VALUE) return;
    unlock();
    ::CloseHandle(handleOf(handle_));
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

std::error_code LogFile::lock() {
    OVERLAPPED from{};
    return ::LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, kWhole, kWhole, &from)
               ? std::error_code()
               : lastError();
}

void LogFile::unlock() {
    OVERLAPPED from{};
    ::UnlockFileEx(handleOf(handle_), 0, kWhole, kWhole, &from);
}

bool LogFile::isNamedBy(const std::string& path) const {
    const HANDLE named = openShared(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
    if (named == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    const bool same = ::GetFileInformationByHandle(handleOf(handle_), &a) &&
                      ::GetFileInformationByHandle(named, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    ::CloseHandle(named);
    return same;
}

std::error_code LogFile::size(std::uint64_t& bytes) const {
    LARGE_INTEGER n{};
    if (!::GetFileSizeEx(handleOf(handle_), &n)) return lastError();
    bytes = static_cast<std::uint64_t>(n.QuadPart);
    return {};
}

std::size_t LogFile::write(std::string_view bytes, std::error_code& error) {
    OVERLAPPED atTheEnd{};
    atTheEnd.Offset = atTheEnd.OffsetHigh = MAXDWORD;
    DWORD written = 0;
    const auto n = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), INT_MAX));
    if (!::WriteFile(handleOf(handle_), bytes.data(), n, &written, &atTheEnd)) {
        error = lastError();
        return 0;
    }
    if (written == 0) error = std::make_error_code(std::errc::io_error);
    return written;
}

bool LogFile::truncate(std::uint64_t bytes) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(bytes);
    return ::SetFilePointerEx(handleOf(handle_), at, nullptr, FILE_BEGIN) &&
           ::SetEndOfFile(handleOf(handle_));
}

// Windows will not replace a file that is open, and another writer may still hold FILE.1 (it was FILE when it
// last wrote): that one is renamed out of the way and deleted, to go once the last writer lets it go.
std::error_code renameToOlder(const std::string& path) {
    const std::wstring from = wide(path), to = wide(path + ".1");
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};
    if (error == ERROR_ACCESS_DENIED) {
        const std::wstring aside =
            to + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(::GetTickCount64());
        if (::MoveFileExW(to.c_str(), aside.c_str(), 0)) {
            ::DeleteFileW(aside.c_str());
            if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
        }
    }
    ::SetLastError(error);
    return lastError();
}

// The C library's zone: the system's, or TZ when it is set.
LocalTime localTimeAt(std::time_t when) {
    LocalTime local;
    if (::localtime_s(&local.fields, &when) == 0) {
        std::tm fields = local.fields;
        local.utcOffsetSeconds = static_cast<long>(::_mkgmtime(&fields) - when);
    }
    return local;
}

} // namespace q7
