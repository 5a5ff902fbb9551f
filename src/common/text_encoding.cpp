#include "common/text_encoding.hpp"

namespace elipses {

namespace {

// Windows-1252 characters for the bytes 0x80..0x9F; 0 marks the five it leaves undefined.
constexpr char32_t windows_1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::size_t utf8_character_length(std::string_view bytes, std::size_t i) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (i + length > bytes.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

std::size_t decode_utf8(std::string_view bytes, std::size_t i, char32_t& decoded) {
  const std::size_t length = utf8_character_length(bytes, i);
  const auto lead = static_cast<unsigned char>(bytes[i]);
  if (length == 1) {
    if (lead >= 0x80) return 0;
    decoded = lead;
    return 1;
  }
  constexpr char32_t lead_bits[5] = {0, 0, 0x1F, 0x0F, 0x07};
  constexpr char32_t lowest[5] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t value = lead & lead_bits[length];
  for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3Fu);
  if (value < lowest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  decoded = value;
  return length;
}

char32_t windows_1252_character(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;  // ASCII, and Latin-1 from 0xA0 on
  const char32_t c = windows_1252_high[byte - 0x80];
  return c == 0 ? char32_t{0xFFFD} : c;
}

unsigned char windows_1252_byte(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<unsigned char>(character);
  for (unsigned i = 0; i < 32; ++i) {
    if (windows_1252_high[i] != 0 && windows_1252_high[i] == character) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

std::size_t decode_utf8_or_windows_1252(std::string_view bytes, std::size_t i, char32_t& decoded) {
  const std::size_t length = decode_utf8(bytes, i, decoded);
  if (length != 0) return length;
  decoded = windows_1252_character(static_cast<unsigned char>(bytes[i]));
  return 1;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string quote_for_message(std::string_view text) {
  constexpr std::size_t longest = 40;
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && i < longest) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      constexpr char hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0x0F];
      ++i;
      continue;
    }
    // A character is kept whole or not at all: a Portuguese letter is never cut in two.
    const std::size_t length = utf8_character_length(text, i);
    if (i + length > longest) break;
    out.append(text, i, length);
    i += length;
  }
  if (i < text.size()) out += "...";
  return out;
}

}  // namespace elipses
