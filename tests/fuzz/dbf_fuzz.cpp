// libFuzzer target: the .dbf reader and memo access through the call surface.
#include "tests/fuzz/XbaseFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xbfuzz::RunDbfInput(data, size, xbfuzz::ScratchDir());
  return 0;
}
