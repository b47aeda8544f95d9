// libFuzzer target: the .bmp file and packed DIB readers, and picture files as the pages
// load them. A cut-short file that is accepted stops the run.
#include <QImageReader>

#include "tests/fuzz/ImageFuzzInput.h"

// Headers may declare pictures far larger than their data; the readers' checks come
// before any decoding, so decoding such a picture up to the toolkit's usual limit
// (256 MB) for every cut only costs time.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QImageReader::setAllocationLimit(16);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imgfuzz::RunBmpInput(data, size)) __builtin_trap();
  return 0;
}
