// The scope guard runs its clean-up on every way out of the scope unless dismissed,
// in the reverse order of declaration.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/runtime/ScopeGuard.h"

namespace {

TEST(ScopeGuard, CleansUpOnEveryWayOutUnlessDismissed) {
  enum class Exit { kReturn, kThrow, kDismissed };
  struct Case {
    Exit exit;
    std::string expected;
  } cases[] = {{Exit::kReturn, "ba"}, {Exit::kThrow, "ba"}, {Exit::kDismissed, "a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.exit));
    std::string log;
    try {
      rt::ScopeGuard first([&] { log += 'a'; });
      rt::ScopeGuard second([&] { log += 'b'; });
      if (c.exit == Exit::kThrow) throw std::runtime_error("step failed");
      if (c.exit == Exit::kDismissed) second.Dismiss();
    } catch (const std::runtime_error&) {
      EXPECT_EQ(log, c.expected);  // already cleaned up when the handler runs
    }
    EXPECT_EQ(log, c.expected);
  }
}

}  // namespace
