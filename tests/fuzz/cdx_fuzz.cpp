// libFuzzer target for the index reader (and the writer on what it read): the input is
// taken as a whole .cdx file. Built with the other targets (tests/fuzz/CMakeLists.txt), then
//   cdx_fuzz -max_len=65536 corpus/   (seed corpus: tests/fixtures/xbase/*.cdx)
// Every failure must be a Status, never a crash, a hang or a leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/xbase/Cdx.h"

namespace {

std::string TempPath() {
  static const std::string path = "/tmp/cdx_fuzz_" + std::to_string(::getpid()) + ".cdx";
  return path;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void Exercise(xb::CdxIndex& ix, const uint8_t* data, size_t size, bool write) {
  for (size_t t = 0; t < ix.TagCount(); ++t) {
    if (size > 0 && data[0] & 1) ix.SetKeyType(t, data[size - 1] & 1 ? xb::KeyType::kNumeric : xb::KeyType::kChar);
    auto c = ix.NewCursor(t);
    int steps = 0;
    for (bool ok = c->First(); ok && steps < 300; ok = c->Next()) ++steps;
    steps = 0;
    for (bool ok = c->Last(); ok && steps < 300; ok = c->Prev()) ++steps;
    const std::string probe(reinterpret_cast<const char*>(data), std::min<size_t>(size, ix.Tag(t).keyLen));
    c->SeekGE(probe);
    c->SeekGT(probe);
    c->SeekEntry(probe, 7);
    c->Next();
    ix.KeyCount(t);
    if (write) {
      std::string key = probe;
      key.resize(ix.Tag(t).keyLen, ' ');
      for (uint32_t r = 1; r <= 40; ++r) {
        key[0] = char(r);
        ix.Insert(t, key, r);
      }
      for (uint32_t r = 1; r <= 40; r += 2) {
        key[0] = char(r);
        ix.Remove(t, key, r);
      }
      c->First();
      c->Next();
    }
  }
  ix.Check();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = TempPath();
  WriteAll(path, data, size);
  xb::Status s;
  if (auto ix = xb::CdxIndex::Open(path, xb::File::Mode::kReadOnly, &s)) Exercise(*ix, data, size, false);
  if (auto ix = xb::CdxIndex::Open(path, xb::File::Mode::kReadWrite, &s)) Exercise(*ix, data, size, true);
  std::remove(path.c_str());
  return 0;
}
