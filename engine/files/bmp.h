// 24-bit bitmap files as textures: the header, the pixels and halving by powers of two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The pixels of a texture bitmap start here, whatever the file header says.
constexpr int32_t kBmpPixelOffset = 54;
constexpr int32_t kBmpMaxSide = 2048;
// The type field of a bitmap file header: "BM".
constexpr uint16_t kBmpType = 0x4D42;

struct TBMP {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Type = 0;  // the file header's type field (kBmpType for a bitmap)
  std::string Name;  // the path it was read from

  // Reads the type and the sides as the headers hold them, without any check; false only when
  // the file does not exist. A file shorter than the headers reads as zeros where it ends.
  bool ReadHeader(const std::string& path);
  // True when the pixels (Width x Height x 3 bytes from the pixel offset) lie inside the file,
  // so ReadPixels will find every one of them; false for a side of 0 or less.
  bool PixelsInFile(const std::string& path) const;
  // Reads the header through the repository layer; false only when the file does not exist.
  // A bitmap with a side above 2048, a side that is not a power of two or not 24 bits a pixel
  // is warned about and taken as a 4 x 4 bitmap.
  bool GetInfoOfFile(const std::string& path);
  // The shrink factor lowered until both sides shifted right by it are at least 4 (a warning
  // for each step); fatal when even 0 is too much.
  uint8_t CheckShrinkFactor(uint8_t shrink) const;
  int32_t ShrunkWidth(uint8_t shrink) const;
  int32_t ShrunkHeight(uint8_t shrink) const;
  // Width x Height x 3 bytes (blue, green, red; rows bottom-up) from the pixel offset into dest,
  // at most destSize bytes. A short file leaves the rest black with a warning. False when the
  // file does not exist.
  bool ReadPixels(const std::string& path, uint8_t* dest, size_t destSize) const;
  // Halves the pixels in place as often as the checked shrink factor says, halving the sides
  // each time. With the colour key, two or more magenta sources give magenta and the others are
  // averaged without the magenta ones. Does nothing when the buffer is smaller than the bitmap.
  void Halve(uint8_t* buffer, size_t bufferSize, uint8_t shrink, bool colourKey);
};
