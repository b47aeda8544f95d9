// Inputs the image fuzz targets once found troublesome, replayed on every run: each must
// be read (or refused) without a crash, a leak or undefined behaviour.
#include <gtest/gtest.h>

#include <QDir>
#include <string>

#include "tests/fuzz/ImageFuzzInput.h"
#include "tests/proppages/PngTestUtil.h"

namespace {

TEST(ImageFuzzRegression, SavedInputsAreReadSafely) {
  const QDir dir(QStringLiteral(STOVREL_FIXTURES_DIR "/proppages/fuzz"));
  int replayed = 0;
  for (const QString& name : dir.entryList(QDir::Files)) {
    SCOPED_TRACE(name.toStdString());
    const std::string bytes = pngtest::ReadFile(dir.filePath(name));
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (name.startsWith(QLatin1String("png-"))) {
      imgfuzz::RunPngInput(data, bytes.size());
      ++replayed;
    } else if (name.startsWith(QLatin1String("bmp-"))) {
      imgfuzz::RunBmpInput(data, bytes.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
