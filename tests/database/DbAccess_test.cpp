// Engine results turned into messages: an index that no longer matches its table
// sends the user to the re-index, other errors do not.
#include <gtest/gtest.h>

#include "database/DbAccess.h"
#include "platform/xbase/Engine.h"

namespace {

TEST(EngineCodeText, OnlyAnIndexFaultAdvisesTheReindex) {
  struct Case {
    int rc;
    bool advises;
  } cases[] = {{e4index, true}, {e4data, false}, {e4lock, false}, {e4write, false}, {-999, false}};
  for (const Case& c : cases) {
    const QString text = dbaccess::EngineCodeText(c.rc);
    EXPECT_FALSE(text.isEmpty()) << c.rc;
    EXPECT_EQ(text.contains(QStringLiteral("Re-index")), c.advises) << c.rc << ": " << text.toStdString();
  }
}

}  // namespace
