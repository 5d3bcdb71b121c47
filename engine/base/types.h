// Basic value types shared by every layer: fixed-width short strings, vectors, placements,
// 80-bit extended numbers as stored in records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#pragma pack(push, 1)

// A length byte and N bytes of Windows-1252 text. Every write cuts to capacity.
template <size_t N>
struct ShortString {
  static_assert(N >= 1 && N <= 255, "short strings hold 1 to 255 characters");
  // No member initialisers: records stay trivial; statics and `T x{}` start zero.
  uint8_t len;
  char data[N];

  ShortString() = default;
  ShortString(const std::string& s) : len(0), data{} { assign(s); }  // NOLINT: implicit by design
  ShortString(const char* s) : len(0), data{} { assign(std::string(s)); }  // NOLINT

  void assign(const std::string& s) {
    size_t n = std::min(s.size(), N);
    len = static_cast<uint8_t>(n);
    std::memcpy(data, s.data(), n);
  }
  ShortString& operator=(const std::string& s) {
    assign(s);
    return *this;
  }
  ShortString& operator=(const char* s) {
    assign(std::string(s));
    return *this;
  }
  std::string str() const { return std::string(data, std::min<size_t>(len, N)); }
  operator std::string() const { return str(); }  // NOLINT
  size_t size() const { return std::min<size_t>(len, N); }
  bool empty() const { return len == 0; }
  static constexpr size_t capacity() { return N; }
};

// Three 32-bit floats; y points up, x and z span the ground plane.
struct TVector {
  float x, y, z;
};
static_assert(sizeof(TVector) == 12);

// A position and three angles in degrees. Gier turns about the vertical axis, Nick tilts.
struct TPlacement {
  float X, Y, Z;
  float Roll, Gier, Nick;
};
static_assert(sizeof(TPlacement) == 24);

// The 80-bit extended number as records store it (x87 layout: 64-bit mantissa, 15-bit exponent, sign).
struct Extended80 {
  uint8_t bytes[10];

  Extended80() = default;
  Extended80(long double v) : bytes{} { set(v); }  // NOLINT
  void set(long double v) {
    static_assert(sizeof(long double) >= 10);
    std::memcpy(bytes, &v, 10);
  }
  long double get() const {
    long double v = 0;
    std::memcpy(&v, bytes, 10);
    return v;
  }
  operator long double() const { return get(); }  // NOLINT
};
static_assert(sizeof(Extended80) == 10);

#pragma pack(pop)

static_assert(sizeof(ShortString<40>) == 41);
static_assert(sizeof(ShortString<255>) == 256);

static_assert(std::is_trivially_default_constructible_v<ShortString<40>> && std::is_trivially_copyable_v<ShortString<40>>);
static_assert(std::is_trivial_v<TVector> && std::is_trivial_v<TPlacement>);
