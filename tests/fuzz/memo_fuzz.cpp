// libFuzzer target: the .fpt reader at arbitrary block numbers.
#include "tests/fuzz/XbaseFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xbfuzz::RunMemoInput(data, size, xbfuzz::ScratchDir());
  return 0;
}
