// Takes fuzz input apart into the values a test board is made of; past the
// end of the input every value is zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tq::fuzz {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t U16() {
    const std::uint8_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint16_t low = U16();
    return static_cast<std::uint32_t>(low | static_cast<std::uint32_t>(U16()) << 16);
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(U8());
    return bytes;
  }
  // Up to 127 UTF-16 code units, any values.
  std::u16string Text16() {
    std::u16string text;
    const std::size_t length = U8() % 128;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(U16()));
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tq::fuzz
