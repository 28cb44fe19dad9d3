// Constants of the LZH5 bit stream, shared by its decoder, encoder and block coder.
#pragma once

namespace zev::compress::lzh5 {

inline constexpr int WindowBits = 13;
inline constexpr int WindowSize = 1 << WindowBits;  // 8192
inline constexpr int WindowMask = WindowSize - 1;
inline constexpr int MinMatch = 3;
inline constexpr int MaxMatch = 256;
inline constexpr int CharAlphabet = 256 + MaxMatch - MinMatch + 1;  // 510
inline constexpr int PosAlphabet = WindowBits + 1;                  // 14
inline constexpr int LenCodeAlphabet = 19;
inline constexpr int LenCodeCountBits = 5;
inline constexpr int CharCountBits = 9;
inline constexpr int PosCountBits = 4;
inline constexpr int CharTableBits = 12;
inline constexpr int AuxTableBits = 8;
inline constexpr int MaxCodeLength = 16;

}  // namespace zev::compress::lzh5
