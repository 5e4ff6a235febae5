// SPDX-License-Identifier: MIT
#include "log/session_log.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace q7 {
namespace {

using Dir = SessionLog::Direction;
using Lines = std::vector<std::string>;

// In the system's folder for them, which under Wine is a Windows one.
struct TempDir {
    std::filesystem::path made =
        std::filesystem::temp_directory_path() / ("q7log." + std::to_string(std::random_device()()));
    std::string path = (std::filesystem::create_directory(made), made.string());
    ~TempDir() { std::filesystem::remove_all(made); }
};

void setZone(const char* tz) {
#ifdef _WIN32
    ::_putenv_s("TZ", tz);
    ::_tzset();
#else
    ::setenv("TZ", tz, 1);
    ::tzset();
#endif
}

// The lines of the files in turn without their time, whose form each must have.
Lines lines(std::initializer_list<std::string> files) {
    const std::regex time(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)");
    Lines out;
    for (const std::string& file : files) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line); out.push_back(line.substr(line.find('\t') + 1)))
            EXPECT_TRUE(std::regex_match(line.substr(0, line.find('\t')), time)) << line;
    }
    return out;
}

TEST(SessionLog, AppendsOneLineOfFiveFieldsPerCallWithTheOffsetFromUtc) {
    TempDir dir;
    setZone("XXX+3:30");
    SessionLog::open(dir.path + "/q7.log", kDefaultLogBytes).value()->write("COM1", Dir::TX, "C00", "C00\r");
    const auto log = SessionLog::open(dir.path + "/q7.log", kDefaultLogBytes).value();
    log->write("tcp://h:7000", Dir::RX, "ACK", "\x06\r");
    log->write("COM1", Dir::Event, "lost:\tgone\r\naway", "");
    log->flush();
    EXPECT_EQ(lines({dir.path + "/q7.log"}),
              (Lines{"COM1\tTX\tC00\t43 30 30 0D", "tcp://h:7000\tRX\tACK\t06 0D",
                     "COM1\t--\tlost: gone  away\t"}));
    std::string time;
    std::ifstream(dir.path + "/q7.log") >> time;
    EXPECT_EQ(time.substr(23), "-03:30");
}

TEST(SessionLog, RotatesAtTheBoundKeepingOneOlderFileAndLosesNothingToASecondWriter) {
    TempDir dir;
    const std::string path = dir.path + "/q7.log";
    for (const char* n : {"1", "2", "3", "4", "5"}) // 40 bytes a line: two to a file
        SessionLog::open(path, 80).value()->write("P", Dir::TX, n, n);
    EXPECT_EQ(lines({path + ".1"}), (Lines{"P\tTX\t3\t33", "P\tTX\t4\t34"}));
    EXPECT_EQ(lines({path}), (Lines{"P\tTX\t5\t35"}));
    std::string expected, written[2];
    {
        const auto a = SessionLog::open(path + "2", 12000).value(),
                   b = SessionLog::open(path + "2", 12000).value();
        for (int i = 1000; i < 1200; ++i) { // 41 bytes a line: one rotation
            a->write("A", Dir::RX, std::to_string(i), "");
            b->write("B", Dir::RX, std::to_string(i), "");
            expected += "\tRX\t" + std::to_string(i) + "\t\n";
            if (i % 10 == 0) a->flush(), b->flush(); // each writes again after the other's rotation
        }
    }
    EXPECT_LE(std::filesystem::file_size(path + "2.1"), 12000u);
    for (const std::string& line : lines({path + "2.1", path + "2"}))
        written[line[0] == 'B'] += line.substr(1) + "\n";
    EXPECT_EQ(written[0] + written[1], expected + expected);
    // A writer still holding the file that the next rotation replaces (Windows refuses to replace an open
    // one).
    {
        const auto a = SessionLog::open(path + "3", 80).value(), b = SessionLog::open(path + "3", 80).value();
        for (const auto& [log, n] : {std::pair{a.get(), "1"},
                                     {b.get(), "2"},
                                     {b.get(), "3"},
                                     {b.get(), "4"},
                                     {b.get(), "5"},
                                     {a.get(), "6"}})
            log->write("P", Dir::TX, n, n), log->flush();
    }
    EXPECT_EQ(lines({path + "3.1", path + "3"}),
              (Lines{"P\tTX\t3\t33", "P\tTX\t4\t34", "P\tTX\t5\t35", "P\tTX\t6\t36"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 6) << "nothing left aside";
}

// A path it cannot write is refused; a write that fails, on a full disk or cut short by a limit on the file's
// size (a disk that fills up in the middle of a line), is told once, the line cut short taken back, and
// nothing more is written.
TEST(SessionLog, RefusesAPathItCannotWriteAndStopsOnceAWriteFails) {
    const std::string refused = SessionLog::open("/", kDefaultLogBytes).error().english();
#ifdef _WIN32
    EXPECT_TRUE(refused == "Cannot write the log /: Access is denied." || // Wine's own words
                refused == "Cannot write the log /: Access denied.")
        << refused;
    GTEST_SKIP() << "Windows has neither /dev/full nor a limit on a file's size";
#else
    EXPECT_EQ(refused, "Cannot write the log /: Is a directory.");
    TempDir dir;
    Lines told;
    const auto tell = [&](const Message& m) { told.push_back(m.english()); };
    std::filesystem::create_symlink("/dev/full", dir.path + "/full.log");
    const auto full = SessionLog::open(dir.path + "/full.log", kDefaultLogBytes, tell).value();
    for (int i = 0; i < 3; ++i, full->flush()) // a batch each: the first fails, the others find it stopped
        full->write("COM1", Dir::TX, "C00", "C00\r");
    EXPECT_EQ(told, Lines{"Cannot write the log " + dir.path + "/full.log: No space left on device."});
    told.clear();
    const std::string path = dir.path + "/q7.log";
    const auto log = SessionLog::open(path, kDefaultLogBytes, tell).value();
    log->write("P", Dir::TX, "1", "1"); // 40 bytes a line
    log->flush();
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit cut{100, limit.rlim_max}; // the second line whole, the third cut after 20 bytes
    const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &cut);
    log->write("P", Dir::TX, "2", "2");
    log->write("P", Dir::TX, "3", "3");
    log->flush();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, xfsz);
    log->write("P", Dir::TX, "4", "4");
    log->flush();
    EXPECT_EQ(lines({path}), (Lines{"P\tTX\t1\t31", "P\tTX\t2\t32"}));
    EXPECT_EQ(std::filesystem::file_size(path), 80u) << "the file ends with a whole line";
    EXPECT_EQ(told, Lines{"Cannot write the log " + path + ": File too large."});
#endif
}

TEST(LogSize, ReadsBytesKibibytesOrMebibytesAboveZero) {
    for (const auto& [text, bytes] : std::vector<std::pair<std::string_view, std::uint64_t>>{
             {"4096", 4096}, {"64K", 65536}, {"10M", 10485760}, {"2m", 2097152}, {"1k", 1024}})
        EXPECT_EQ(parseLogSize(text).value_or(0), bytes) << text;
    for (const std::string_view text :
         {"", "0", "0K", "-1", "+5", "10G", "M", "1.5M", " 5", "9e9", "18446744073709551615K"})
        EXPECT_FALSE(parseLogSize(text).has_value()) << text;
    EXPECT_EQ(parseLogSize("x").error().english(),
              "the size of the log must be a whole number of bytes above 0, or "
              "of kibibytes with K or mebibytes with M, not \"x\"");
}

} // namespace
} // namespace q7
