#include "platform/runtime/Collection.h"

#include <gtest/gtest.h>

#include "platform/runtime/Error.h"
#include "tests/platform/runtime/ErrorNumber.h"

namespace {

using testrt::ErrorNumber;

TEST(CollectionTest, KeepsOrderAndFindsKeysWithoutRegardToCase) {
  rt::Collection c;
  c.Add(QStringLiteral("first"), QStringLiteral("PartNumber"));
  c.Add(2);
  c.Add(QStringLiteral("third"), QStringLiteral("Units"));
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(1).toString(), QStringLiteral("first"));
  EXPECT_EQ(c.Item(2).toInt(), 2);
  EXPECT_EQ(c.Item(QStringLiteral("PARTNUMBER")).toString(), QStringLiteral("first"));
  EXPECT_TRUE(c.Exists(QStringLiteral("units")));
  EXPECT_FALSE(c.Exists(QStringLiteral("unit")));
  EXPECT_FALSE(c.Exists(QString()));

  c.Remove(QStringLiteral("partnumber"));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(1).toInt(), 2);
  c.Remove(1);
  EXPECT_EQ(c.Item(1).toString(), QStringLiteral("third"));
  // A removed key may be used again.
  c.Add(5, QStringLiteral("PartNumber"));
  EXPECT_EQ(c.Item(QStringLiteral("partnumber")).toInt(), 5);
}

TEST(CollectionTest, FailuresRaiseTheirErrors) {
  rt::Collection c;
  c.Add(1, QStringLiteral("a"));
  EXPECT_EQ(ErrorNumber([&] { c.Add(2, QStringLiteral("A")); }), rt::kErrDuplicateKey);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(ErrorNumber([&] { c.Remove(QStringLiteral("b")); }), rt::kErrInvalidCall);
  EXPECT_EQ(ErrorNumber([&] { c.Remove(0); }), rt::kErrInvalidCall);
  EXPECT_EQ(ErrorNumber([&] { c.Remove(2); }), rt::kErrInvalidCall);
  EXPECT_EQ(ErrorNumber([&] { (void)c.Item(2); }), rt::kErrInvalidCall);
  EXPECT_EQ(ErrorNumber([&] { (void)c.Item(QStringLiteral("z")); }), rt::kErrInvalidCall);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
}

}  // namespace
