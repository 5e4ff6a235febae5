// SPDX-License-Identifier: MIT
// Lock files as the programs that share a serial device leave them.
#include "link/lock_file.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

TEST(LockFile, TheOwnerIsTheFirstWordOfTheFirstLine) {
    const std::pair<std::string, int> named[] = {
        {"4242\nq7panel\nhall-pc\n{machine id}\n{boot id}\n", 4242}, // QLockFile
        {"      4242\n", 4242},                                      // HDB UUCP: "%10d\n"
        {"      4242 minicom venue\n", 4242},                        // minicom: program and user
        {"4242", 4242},
        {"\t0004242\t\n", 4242},
        {"2147483647\n", 2147483647}};
    for (const auto& [content, pid] : named) {
        const std::optional<LockOwner> owner = lockOwner(content);
        ASSERT_TRUE(owner.has_value()) << content;
        EXPECT_EQ(owner->pid, pid) << content;
    }
}

TEST(LockFile, NoOwnerWithoutAProcessIdFirst) {
    const std::string refused[] = {"",
                                   "\n4242\n",
                                   "q7panel 4242\n",
                                   "0\n",
                                   "-4242\n",
                                   "+4242\n",
                                   "4242x\n",
                                   "4242.0\n",
                                   "2147483648\n",
                                   "99999999999999999999\n",
                                   std::string("\x92\x10\x00\x00", 4)};
    for (const std::string& content : refused)
        EXPECT_FALSE(lockOwner(content).has_value()) << content;
}

TEST(LockFile, TheHostIsTheThirdLineWhereThereIsOne) {
    EXPECT_EQ(lockOwner("4242\nq7panel\nhall-pc\n{machine id}\n")->host, "hall-pc");
    EXPECT_EQ(lockOwner("4242\nq7panel\n  hall-pc \n")->host, "hall-pc");
    EXPECT_EQ(lockOwner("4242\nq7panel\n")->host, "");
    EXPECT_EQ(lockOwner("      4242 minicom venue\n")->host, "");
}

// Only a process looked for and not found on this host has ended: one that exists, even under another user
// (kill() answers EPERM), holds the device, and another host's process ids mean nothing here.
TEST(LockFile, AnOwnerHasEndedOnlyWhereItsProcessIsGoneFromThisHost) {
    const auto exists = [](int pid) { return pid == 4242; };
    EXPECT_TRUE(lockOwnerEnded({4343, "hall-pc"}, "hall-pc", exists));
    EXPECT_TRUE(lockOwnerEnded({4343, ""}, "hall-pc", exists));
    EXPECT_FALSE(lockOwnerEnded({4242, "hall-pc"}, "hall-pc", exists));
    EXPECT_FALSE(lockOwnerEnded({4242, ""}, "hall-pc", exists));
    EXPECT_FALSE(lockOwnerEnded({4343, "foyer-pc"}, "hall-pc", exists));
}

} // namespace
} // namespace q7
