// Placeholder until the adaptive-Huffman codec lands.
#include "compress/lzh.h"

#include "platform/error.h"

namespace zev::compress {
void LzhEncode() { throw Exception("LZH compression is not available yet"); }
void LzhDecode(std::int32_t) { throw Exception("LZH expansion is not available yet"); }
}  // namespace zev::compress
