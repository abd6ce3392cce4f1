#include "platform/core/CodePage.h"

namespace {

// clang-format off
const char32_t kCp1252High[32] = {
    /* 80 */ 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    /* 88 */ 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    /* 90 */ 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    /* 98 */ 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

// One UTF-8 character from text at `at` (advanced past it); U+FFFD for a byte
// that does not start a well-formed sequence (the byte alone is consumed).
char32_t NextUtf8(std::string_view text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int extra = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    ++at;
    return 0xFFFD;
  }
  if (at + extra >= text.size()) {  // cut short
    ++at;
    return 0xFFFD;
  }
  for (int i = 1; i <= extra; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++at;
    return 0xFFFD;
  }
  at += static_cast<size_t>(extra) + 1;
  return c;
}

}  // namespace

char32_t QxWindows1252ToUnicode(BYTE byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

bool QxUnicodeToWindows1252(char32_t character, BYTE* byte) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    *byte = static_cast<BYTE>(character);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == character) {
      *byte = static_cast<BYTE>(0x80 + i);
      return true;
    }
  }
  return false;
}

std::string QxPathToText(std::string_view path) {
  std::string text;
  text.reserve(path.size());
  for (size_t at = 0; at < path.size();) {
    BYTE byte = '?';
    QxUnicodeToWindows1252(NextUtf8(path, at), &byte);
    text += static_cast<char>(byte);
  }
  return text;
}
