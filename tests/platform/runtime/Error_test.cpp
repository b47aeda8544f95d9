#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/runtime/Error.h"

TEST(ErrorTest, TrapErrorMakesTheExceptionThePendingError) {
  rt::Err().Clear();
  try {
    rt::Raise(rt::kErrOverflow, QStringLiteral("Engine"));
  } catch (...) {
    rt::TrapError();
  }
  EXPECT_EQ(rt::Err().Number(), 6);
  EXPECT_EQ(rt::Err().Source(), QStringLiteral("Engine"));
  EXPECT_EQ(rt::Err().Description(), QStringLiteral("Overflow"));

  try {
    throw std::runtime_error("disk on fire");
  } catch (...) {
    rt::TrapError();
  }
  EXPECT_EQ(rt::Err().Number(), rt::kErrInvalidCall);
  EXPECT_EQ(rt::Err().Description(), QStringLiteral("disk on fire"));

  rt::Err().Clear();
  EXPECT_EQ(rt::Err().Number(), 0);
  EXPECT_TRUE(rt::Err().Source().isEmpty());
}
