// SPDX-License-Identifier: MIT
#include "fake_window.h"
#include <gtest/gtest.h>
TEST(Smoke, PowerOn) {
    q7::test::Panel p;
    p.form.click("Command17");
    ASSERT_EQ(p.written().size(), 1u);
    EXPECT_EQ(p.written()[0], "C00\r");
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
}
