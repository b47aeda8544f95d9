// libFuzzer target: the .bmp file and packed DIB readers, and picture files as the pages
// load them. A cut-short file that is accepted stops the run.
#include "tests/fuzz/ImageFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imgfuzz::RunBmpInput(data, size)) __builtin_trap();
  return 0;
}
