// The engine's own byte codec. A block is packed into a bit stream of literals drawn from a
// per-stream alphabet, runs, back-references into the bytes already decoded, and repeats of
// recent back-references kept in a small ring. Vehicle files store their record this way.
//
// Stream layout (bits are taken from bit 0 of byte 0 upwards; a field's first bit is its least
// significant one): N (8 bits, 1 to 255), the alphabet codes, LenBits - 1 (3), IdxBits - 1 (3),
// the data codes ending with the end code, zero bits up to the byte boundary.
#pragma once

#include <cstdint>

// Outcome of a decode.
enum class TRleStatus : uint8_t {
  Complete = 0,  // the end code was reached
  Overflow = 1,  // the output bound was reached first; the output holds what fitted
  Corrupt = 2,   // the stream breaks the format (or ends early); the output holds what came before
};

// 1 when the last decode stopped at the output bound, else 0. Every decode sets it.
extern uint8_t RleOverflow;
// The outcome of the last decode. Every decode sets it.
extern TRleStatus RleStatus;

// Decodes the stream of SrcLen bytes at Src into Dst, writing at most MaxLen bytes, and returns
// the number of bytes written. Nothing outside Src[0, SrcLen) is read and nothing outside
// Dst[0, MaxLen) is written, whatever the stream holds. Sets RleOverflow and RleStatus, and
// *Status when given.
int32_t rledecompress(const uint8_t* Src, int32_t SrcLen, uint8_t* Dst, int32_t MaxLen,
                      TRleStatus* Status = nullptr);

// Why the compressor refused a block.
enum class TRlePackStatus : uint8_t {
  Packed = 0,
  EmptyBlock,     // Len < 1
  AllByteValues,  // the block holds all 256 byte values: the alphabet count cannot describe it
  OutputFull,     // the stream does not fit into DstCap bytes
};

// Packs the Len bytes at Src into Dst, which holds DstCap bytes, and returns the number of bytes
// written (at least 1), or 0 when the block is refused (the reason goes to *Status when given;
// Dst may then hold part of a stream). Never writes past DstCap. rlePackBound(Len) bytes always
// suffice.
int32_t rlecompress(const uint8_t* Src, int32_t Len, uint8_t* Dst, int32_t DstCap,
                    TRlePackStatus* Status = nullptr);

// An output size that holds the stream of any packable block of Len bytes: no symbol costs more
// than 18 bits, the head at most 2,564 bits (8 + 255 x 10 + 6), the end code at most 18.
constexpr int64_t rlePackBound(int64_t Len) { return (Len * 18 + 2564 + 18) / 8 + 1; }
