#pragma once
// Characters of the texts the program reads and writes: names in the coordinate file
// (UTF-8, or a single-byte code page from an older editor), the lines of a drawing script,
// the report's text, and how a text that could not be read is quoted in a message. Every
// layer reads texts through these, so each rule is written once.
#include <cstddef>
#include <string>
#include <string_view>

namespace elipses {

// The bytes of the UTF-8 character that starts at bytes[i], judged by its lead byte and
// the continuation bytes that follow; 1 for a byte that starts no whole character.
std::size_t utf8_character_length(std::string_view bytes, std::size_t i);

// The code point of a well-formed UTF-8 character at bytes[i] and its length; 0 (and
// `decoded` untouched) for an over-long form, a UTF-16 surrogate or a value past U+10FFFF.
std::size_t decode_utf8(std::string_view bytes, std::size_t i, char32_t& decoded);

// Windows-1252, the code page of CAD texts written by older programs: the character of a
// byte (U+FFFD for the five bytes it leaves undefined) and the byte of a character (0
// when it has none).
char32_t windows_1252_character(unsigned char byte);
unsigned char windows_1252_byte(char32_t character);

// The character at bytes[i] as an older editor may have meant it: a well-formed UTF-8
// character, or else the one byte read as Windows-1252. Returns its length in bytes.
std::size_t decode_utf8_or_windows_1252(std::string_view bytes, std::size_t i, char32_t& decoded);

// Appends the UTF-8 bytes of a code point (at most U+10FFFF).
void append_utf8(std::string& out, char32_t character);

// A text as a message may quote it: at most 40 bytes, control characters shown as \xNN.
std::string quote_for_message(std::string_view text);

}  // namespace elipses
