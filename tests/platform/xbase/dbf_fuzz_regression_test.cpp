// Inputs the fuzz targets once found troublesome, replayed on every run: each must be
// read (or refused) without a crash, a leak or undefined behaviour.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/XbaseFuzzInput.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

TEST(FuzzRegression, SavedInputsAreReadSafely) {
  namespace fs = std::filesystem;
  const fs::path dir = xbtest::FixtureDir() + "/fuzz";
  const std::string scratch = xbtest::NewDir();
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = xbtest::ReadFile(entry.path().string());
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    SCOPED_TRACE(name);
    if (name.rfind("dbf-", 0) == 0) {
      xbfuzz::RunDbfInput(data, bytes.size(), scratch);
      ++replayed;
    } else if (name.rfind("memo-", 0) == 0) {
      xbfuzz::RunMemoInput(data, bytes.size(), scratch);
      ++replayed;
    } else if (name.rfind("expr-", 0) == 0) {
      xbfuzz::RunExpressionInput(data, bytes.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
