#pragma once
// The text console. Every text of the dialogue starts with a line-control character
// that the user never sees; these helpers write the visible rest. Standard output
// carries only what the user sees; it is flushed only before the program waits.
// Answers that cannot be read are explained on the message stream: at a terminal the
// question is asked again, from a file or a pipe the run ends.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace elipses {

struct Console {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;          // messages only; never part of the dialogue
  bool interactive = false;   // answers typed at a terminal: a second chance after a slip
};

// A line: the text without its control character, then the line end.
void show_line(Console& console, std::string_view text);
// A free line: one blank (the control character), then the text, then the line end.
void show_free_line(Console& console, std::string_view text);
void show_empty_line(Console& console);
// A prompt: the text without its control character and no line end; flushed, since the
// user answers on the same line.
void show_prompt(Console& console, std::string_view text);

// The question as a message names it: its own visible words as the user read them on the
// screen ("Componente variavel (ppm)"), without tabs, the control column or the closing
// colon.
std::string question_words(std::string_view prompt);

// The file name: the whole typed line, trailing blanks, tabs and CR removed.
std::string read_file_name_answer(Console& console, std::string_view prompt);
// A real number in free form: blank lines are passed over, the value ends at a blank,
// comma, slash or line end, and the rest of the line is ignored (with a warning when it
// holds more, such as the ",5" of a decimal comma). A comma or slash in place of the
// value leaves `value` as it was. At a terminal an answer that is a number with a decimal
// comma and nothing else ("2,5") is explained and asked again.
void read_real_answer(Console& console, std::string_view prompt, double& value);
// A whole number within 32 bits, by the same rules; `expected` says what is asked
// ("um número inteiro de 1 a 8").
void read_whole_answer(Console& console, std::string_view prompt, std::int32_t& value,
                       std::string_view expected = "um número inteiro");
// The first character of the typed line; a blank for an empty line. `typed`, when
// given, receives the whole line.
char read_letter_answer(Console& console, std::string_view prompt, std::string* typed = nullptr);

// A number as a message shows it: the shortest text that reads back as the same double.
std::string shortest_text(double value);

}  // namespace elipses
