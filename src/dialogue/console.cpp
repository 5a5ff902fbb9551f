#include "dialogue/console.hpp"

#include <istream>
#include <optional>
#include <ostream>

#include "input/free_form.hpp"
#include "input/input_error.hpp"

namespace elipses {

namespace {

std::string visible(std::string_view text) { return std::string(text.empty() ? text : text.substr(1)); }

// One typed line without its LF; a CR before the LF is dropped, as CR LF and LF read alike.
std::string read_typed_line(Console& console, std::string_view prompt) {
  std::string line;
  if (!std::getline(console.in, line)) {
    throw InputError("a entrada terminou sem resposta a \"" + visible(prompt) + "\"");
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The token of a free-form numeric answer, or nothing when a comma or a slash stands in
// place of the value (a null value, which leaves the answer as it was).
std::optional<std::string> read_value_token(Console& console, std::string_view prompt) {
  for (;;) {
    const std::string line = read_typed_line(console, prompt);
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size()) continue;  // a blank line: keep waiting for the value
    if (line[i] == ',' || line[i] == '/') return std::nullopt;
    std::size_t end = i;
    while (end < line.size() && !ends_value(line[end])) ++end;
    return line.substr(i, end - i);
  }
}

[[noreturn]] void refuse_answer(std::string_view prompt, std::string_view expected, std::string_view found) {
  throw InputError("resposta a \"" + visible(prompt) + "\": esperava-se " + std::string(expected) +
                   ", encontrou-se \"" + quote_for_message(found) + "\"");
}

}  // namespace

void show_line(Console& console, std::string_view text) { console.out << visible(text) << '\n'; }

void show_free_line(Console& console, std::string_view text) { console.out << text << '\n'; }

void show_empty_line(Console& console) { console.out << '\n'; }

void show_prompt(Console& console, std::string_view text) {
  console.out << visible(text);
  console.out.flush();
}

std::string read_file_name_answer(Console& console, std::string_view prompt) {
  show_prompt(console, prompt);
  std::string line = read_typed_line(console, prompt);
  while (!line.empty() && is_blank(line.back())) line.pop_back();
  return line;
}

void read_real_answer(Console& console, std::string_view prompt, double& value) {
  show_prompt(console, prompt);
  const std::optional<std::string> token = read_value_token(console, prompt);
  if (!token) return;
  const std::optional<double> number = parse_real(*token);
  if (!number) {
    refuse_answer(prompt, is_number_syntax(*token) ? "um numero dentro do alcance de um real" : "um numero", *token);
  }
  value = *number;
}

void read_whole_answer(Console& console, std::string_view prompt, std::int32_t& value) {
  show_prompt(console, prompt);
  const std::optional<std::string> token = read_value_token(console, prompt);
  if (!token) return;
  const std::optional<std::int32_t> number = parse_whole(*token);
  if (!number) refuse_answer(prompt, "um numero inteiro (32 bits)", *token);
  value = *number;
}

char read_letter_answer(Console& console, std::string_view prompt) {
  show_prompt(console, prompt);
  const std::string line = read_typed_line(console, prompt);
  return line.empty() ? ' ' : line.front();
}

}  // namespace elipses
