// Inputs the image fuzz targets once found troublesome, and their seeds, replayed on
// every run: each must be read (or refused) without a crash, a leak or undefined
// behaviour, and no reader may accept a cut-short file.
#include <gtest/gtest.h>

#include <QDir>
#include <string>

#include "tests/fuzz/ImageFuzzInput.h"
#include "tests/proppages/PngTestUtil.h"

namespace {

const QDir& Inputs() {
  static const QDir dir(QStringLiteral(STOVREL_FIXTURES_DIR "/proppages/fuzz"));
  return dir;
}

TEST(ImageFuzzRegression, SavedInputsAreReadSafely) {
  int replayed = 0;
  for (const QString& name : Inputs().entryList(QDir::Files)) {
    SCOPED_TRACE(name.toStdString());
    const std::string bytes = pngtest::ReadFile(Inputs().filePath(name));
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (name.startsWith(QLatin1String("png-"))) {
      EXPECT_TRUE(imgfuzz::RunPngInput(data, bytes.size()));
      ++replayed;
    } else if (name.startsWith(QLatin1String("bmp-"))) {
      EXPECT_TRUE(imgfuzz::RunBmpInput(data, bytes.size()));
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

// Every cut of a picture file of each kind the pages open, of a packed DIB file and of a
// PNG strip is refused by the reader the pages use; the whole file is read.
TEST(ImageFuzzRegression, NoCutOfAWholeFileIsAccepted) {
  const auto picture = [](const std::string& bytes, size_t size) {
    auto stream = com::MemoryStream::Over(QByteArray(bytes.data(), static_cast<qsizetype>(size)));
    com::Ref<IPicture> p;
    return SUCCEEDED(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, p.OutVoid()));
  };
  const auto dib = [](const std::string& bytes, size_t size) {
    return !qvp::ReadDibFile(reinterpret_cast<const uint8_t*>(bytes.data()), size).empty();
  };
  const auto png = [](const std::string& bytes, size_t size) {
    return qvp::DecodePngStrip(reinterpret_cast<const uint8_t*>(bytes.data()), size).has_value();
  };
  const auto seed = [](const char* name) { return pngtest::ReadFile(Inputs().filePath(QLatin1String(name))); };
  const struct {
    const char* kind;
    std::string whole;
    std::function<bool(const std::string&, size_t)> reads;
  } kinds[] = {
      {"core-header bitmap", seed("bmp-seed-core-header"), picture},
      {"4-bit bitmap", seed("bmp-seed-4-bit"), picture},
      {"run-length bitmap", seed("bmp-seed-rle8"), picture},
      {"GIF", seed("bmp-seed-gif"), picture},
      {"JPEG", seed("bmp-seed-jpeg"), picture},
      {"PNG picture", seed("bmp-seed-png"), picture},
      {"icon", seed("bmp-seed-icon"), picture},
      {"cursor", seed("bmp-seed-cursor"), picture},
      {"packed DIB file", seed("bmp-seed-4-bit"), dib},
      {"PNG strip", seed("png-seed-2-bit-palette"), png},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.kind);
    ASSERT_TRUE(k.reads(k.whole, k.whole.size()));
    for (size_t cut = 0; cut < k.whole.size(); ++cut) EXPECT_FALSE(k.reads(k.whole, cut)) << cut;
  }
}

}  // namespace
