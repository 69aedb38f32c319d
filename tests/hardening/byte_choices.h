#pragma once
// Decisions drawn from a string of bytes: a fuzzer's input, or bytes from a seeded
// generator. Once the bytes run out every draw is zero, so any input decodes to a case.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

class ByteChoices {
 public:
  ByteChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t byte() { return next_ < size_ ? data_[next_++] : 0; }

  uint32_t bits32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    return v;
  }

  // 0 .. n - 1 (n > 0); one byte when that is enough.
  uint32_t below(uint32_t n) {
    if (n <= 1) return 0;
    if (n <= 256) return byte() % n;
    return bits32() % n;
  }

  int32_t between(int32_t lo, int32_t hi) { return lo + int32_t(below(uint32_t(hi - lo) + 1)); }

  bool flag() { return byte() & 1; }

  // A fraction in [0, 1] in steps of 1/65535.
  double unit() {
    const uint32_t v = uint32_t(byte()) << 8 | byte();
    return v / 65535.0;
  }

  // Any float bit pattern, infinities and NaNs included.
  float anyFloat() {
    const uint32_t bits = bits32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }

  size_t used() const { return next_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
};

// Bytes for one seeded case of a property test.
inline std::vector<uint8_t> seededBytes(uint32_t seed, size_t count) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = uint8_t(generator());
  return bytes;
}
