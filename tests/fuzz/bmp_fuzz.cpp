// libFuzzer target: the .bmp file and packed DIB readers.
#include "tests/fuzz/ImageFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imgfuzz::RunBmpInput(data, size);
  return 0;
}
