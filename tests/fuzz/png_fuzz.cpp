// libFuzzer target: the PNG strip reader. A cut-short file that is accepted stops the run.
#include "tests/fuzz/ImageFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imgfuzz::RunPngInput(data, size)) __builtin_trap();
  return 0;
}
