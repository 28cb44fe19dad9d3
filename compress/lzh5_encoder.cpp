// Placeholder until the LZH5 encoder lands.
#include "compress/lzh5_encoder.h"

#include "platform/error.h"

namespace zev::compress {
void LZH5Compress() { throw Exception("LZH5 compression is not available yet"); }
}  // namespace zev::compress
