#include "devlink/platform/hidraw/utf16_from_utf8.h"

#include <cstddef>

namespace tq::hidraw {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at text[pos], and how many bytes it takes; a
// malformed, overlong or surrogate sequence yields U+FFFD over one byte.
char32_t DecodeAt(std::string_view text, std::size_t pos, std::size_t& used) {
  used = 1;
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return lead;
  struct Form {
    unsigned char mask, pattern, payload;
    std::size_t length;
    char32_t minimum;
  };
  constexpr Form kForms[] = {
      {0xE0, 0xC0, 0x1F, 2, 0x80}, {0xF0, 0xE0, 0x0F, 3, 0x800}, {0xF8, 0xF0, 0x07, 4, 0x10000}};
  const Form* form = nullptr;
  for (const Form& f : kForms) {
    if ((lead & f.mask) == f.pattern) form = &f;
  }
  if (form == nullptr) return kReplacement;
  const std::size_t length = form->length;
  const char32_t minimum = form->minimum;
  char32_t cp = lead & form->payload;
  if (text.size() - pos < length) return kReplacement;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (next & 0x3Fu);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  used = length;
  return cp;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t used = 0;
    const char32_t cp = DecodeAt(text, pos, used);
    pos += used;
    if (cp < 0x10000) {
      units.push_back(static_cast<char16_t>(cp));
    } else {
      const char32_t offset = cp - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    }
  }
  return units;
}

}  // namespace tq::hidraw
