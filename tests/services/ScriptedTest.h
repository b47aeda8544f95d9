#pragma once
// A test whose boxes and modal dialogs are scripted: by its end every scripted one was
// shown, and nothing unscripted was.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ui/testing/TestPrompts.h"

namespace uitest {

class ScriptedTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_THAT(prompts->Unexpected(), ::testing::IsEmpty());
    EXPECT_THAT(runner->Unexpected(), ::testing::IsEmpty());
    EXPECT_EQ(prompts->Pending(), 0) << "scripted boxes not shown";
    EXPECT_EQ(runner->Pending(), 0) << "scripted dialogs not run";
  }

  ui::test::ScopedFakePrompts prompts;
  ui::test::ScopedFakeModalRunner runner;
};

}  // namespace uitest
