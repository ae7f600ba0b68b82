// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Formatters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace chorale;

TEST(Formatters, Duration) {
    const std::pair<double, const char *> cases[] = {
            {0, "0:00"},         {83.6, "1:24"},
            {3600, "60:00"},     {59.5, "1:00"},
            {0.49, "0:00"},      {-1, "—"},
            {std::nan(""), "—"}, {std::numeric_limits<double>::infinity(), "—"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(Formatters::duration(seconds), QString::fromUtf8(text)) << seconds;
}

TEST(Formatters, Clock) {
    const std::pair<double, const char *> cases[] = {
            {83.6, "1:23.6"},         {5, "0:05.0"},       {0, "0:00.0"}, {-2, "0:00.0"},
            {std::nan(""), "0:00.0"}, {600.25, "10:00.2"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(Formatters::clock(seconds), QString::fromUtf8(text)) << seconds;
}
