// Placeholder until the conversions land.
#include "platform/runtime/Convert.h"
