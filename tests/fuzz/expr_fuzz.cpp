// libFuzzer target: the key and FOR expression compiler.
#include "tests/fuzz/XbaseFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xbfuzz::RunExpressionInput(data, size);
  return 0;
}
