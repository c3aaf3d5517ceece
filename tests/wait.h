// Waiting for the window to catch up inside GoogleTest. Qt's QTRY_ macros
// report through QTest and merely return on a time-out, which GoogleTest
// would count as a pass; these wait the same way and then check with gtest.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

// Longest wait for a condition the event loop has to bring about.
constexpr int kWaitMs = 20000;

#define EXPECT_EVENTUALLY_EQ(actual, expected)                              \
  do {                                                                      \
    (void)QTest::qWaitFor([&] { return (actual) == (expected); }, kWaitMs); \
    EXPECT_EQ(actual, expected);                                            \
  } while (0)

#define EXPECT_EVENTUALLY_TRUE(condition)                                         \
  do {                                                                            \
    (void)QTest::qWaitFor([&] { return static_cast<bool>(condition); }, kWaitMs); \
    EXPECT_TRUE(condition);                                                       \
  } while (0)
