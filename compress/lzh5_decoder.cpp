// Placeholder until the LZH5 decoder lands.
#include "compress/lzh5_decoder.h"

#include "platform/error.h"

namespace zev::compress {
void LZH5Expand(std::int32_t) { throw Exception("LZH5 expansion is not available yet"); }
}  // namespace zev::compress
