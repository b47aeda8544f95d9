// libFuzzer target: the PNG strip reader.
#include "tests/fuzz/ImageFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imgfuzz::RunPngInput(data, size);
  return 0;
}
