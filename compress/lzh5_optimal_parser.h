// The LZH5 encoder's best level: an optimal parse under each block's own Huffman codes.
//
// The input is taken in pieces of up to 256 KiB. For every position of a piece the hash-chain
// finder lists the matches worth having (for each length the nearest distance that reaches it).
// A shortest-path pass over the piece then picks the literals and matches whose codes cost the
// fewest bits, the symbols of that parse are counted and priced anew, and the pass is repeated
// with the new prices. The piece is cut into blocks where its statistics change, each block is
// parsed again under prices of its own, and its items go to the block coder, which builds the
// block's codes from exactly that parse's counts.
#pragma once

namespace zev::compress {

class CodecFrame;

// Compresses the frame's input like Lzh5Encode, for the smallest output
// (CompressionLevel::Best).
void Lzh5EncodeBest(CodecFrame& frame);

}  // namespace zev::compress
