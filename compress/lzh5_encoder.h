// LZH5 encoder (method 4): LZ77 over an 8 KiB window with a trie match finder and a one-step
// lazy choice; literals and matches go to the block coder (compress/lzh5_block_coder.h).
#pragma once

#include "compress/codec_table.h"
#include "compress/method.h"

namespace zev::compress {

// The encoding entry point of compress/codec_table.h: runs until the frame's input ends. An
// empty input writes nothing at all. The tables (about 170 KiB) are allocated per run and
// released on every exit. The level picks the match finder and parse; the stream format is the
// same for all of them.
void Lzh5Encode(CodecFrame& frame, CompressionLevel level);

}  // namespace zev::compress
