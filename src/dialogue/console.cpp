#include "dialogue/console.hpp"

#include <istream>
#include <optional>
#include <utility>
#include <ostream>

#include "input/free_form.hpp"
#include "input/input_error.hpp"
#include "common/text_encoding.hpp"
#include "output/compact_numbers.hpp"

namespace elipses {

namespace {

std::string_view visible(std::string_view text) { return text.empty() ? text : text.substr(1); }

// One typed line without its LF; a CR before the LF is dropped, as CR LF and LF read alike.
std::string read_typed_line(Console& console, std::string_view prompt) {
  std::string line;
  if (!std::getline(console.in, line)) {
    throw InputError("a entrada terminou sem resposta a \"" + question_words(prompt) + "\"");
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// A numeric answer as typed: the value's token, or nothing when a comma or a slash
// stands in place of the value (a null value, which leaves the answer as it was), and
// the whole line for messages.
struct TypedValue {
  std::optional<std::string> token;
  std::string line;
  bool more_after_value = false;  // the line goes on past the value with more than separators
};

TypedValue read_value(Console& console, std::string_view prompt) {
  for (;;) {
    TypedValue typed;
    typed.line = read_typed_line(console, prompt);
    const std::string& line = typed.line;
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size()) continue;  // a blank line: keep waiting for the value
    if (line[i] == ',' || line[i] == '/') return typed;
    std::size_t end = i;
    while (end < line.size() && !ends_value(line[end])) ++end;
    typed.token = line.substr(i, end - i);
    for (std::size_t k = end; k < line.size(); ++k) {
      if (!is_blank(line[k]) && line[k] != ',') {
        typed.more_after_value = line[end] != '/';
        break;
      }
    }
    return typed;
  }
}

void warn_about_rest_of_line(Console& console, std::string_view prompt, const TypedValue& typed, const std::string& taken) {
  if (!typed.more_after_value) return;
  console.err << "elipses: aviso: na resposta \"" << quote_for_message(typed.line) << "\" a \"" << question_words(prompt)
              << "\" foi lido " << taken << " e o resto da linha foi ignorado; o separador decimal é o ponto (2.5, não 2,5)\n";
}

// Explains an answer that cannot be taken. At a terminal the question is asked again
// (returns); otherwise the run ends.
void refuse_answer(Console& console, std::string_view prompt, std::string_view expected, std::string_view example,
                   const std::string& found) {
  const std::string words = question_words(prompt);
  if (!console.interactive) {
    throw InputError("resposta a \"" + words + "\": esperava-se " + std::string(expected) + ", encontrou-se \"" +
                     quote_for_message(found) + "\"");
  }
  console.out.flush();
  console.err << "\"" << quote_for_message(found) << "\" não serve como resposta a \"" << words << "\": escreva "
              << expected << ", por exemplo " << example << ".\n";
  console.err.flush();
}

// A number typed with a decimal comma ("2,5") and nothing else on the line, the most
// common slip of a Portuguese hand, as it should have been written ("2.5"). Only at a
// terminal, where the question can be asked again: from a file or a pipe the value is
// read as far as the comma, with the warning, as scripted runs have always had it.
std::optional<std::string> decimal_comma_at_terminal(const Console& console, const TypedValue& typed) {
  if (!console.interactive) return std::nullopt;
  const std::size_t first = typed.line.find_first_not_of(" \t");
  const std::size_t last = typed.line.find_last_not_of(" \t");
  return decimal_comma_as_point(std::string_view(typed.line).substr(first, last + 1 - first));
}

}  // namespace

std::string question_words(std::string_view prompt) {
  std::string words;
  for (const char c : visible(prompt)) {
    if (c == '\t') continue;
    words += c;
  }
  const std::size_t first = words.find_first_not_of(' ');
  words.erase(0, first == std::string::npos ? words.size() : first);
  while (!words.empty() && (words.back() == ' ' || words.back() == ':')) words.pop_back();
  return words;
}

std::string shortest_text(double value) { return shortest_round_trip_text(value); }

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
  for (;;) {
    show_prompt(console, prompt);
    const TypedValue typed = read_value(console, prompt);
    if (!typed.token) return;
    if (const std::optional<std::string> pointed = decimal_comma_at_terminal(console, typed)) {
      console.out.flush();
      console.err << "\"" << quote_for_message(typed.line) << "\" não serve como resposta a \"" << question_words(prompt)
                  << "\": o separador decimal é o ponto; escreva " << *pointed << ".\n";
      console.err.flush();
      continue;
    }
    const std::optional<double> number = parse_real(*typed.token);
    if (number) {
      value = *number;
      warn_about_rest_of_line(console, prompt, typed, "o número " + shortest_text(value));
      return;
    }
    refuse_answer(console, prompt, is_number_syntax(*typed.token) ? "um número de grandeza aceitável" : "um número",
                  "2.5", *typed.token);
  }
}

void read_whole_answer(Console& console, std::string_view prompt, std::int32_t& value, std::string_view expected) {
  for (;;) {
    show_prompt(console, prompt);
    const TypedValue typed = read_value(console, prompt);
    if (!typed.token) return;
    if (decimal_comma_at_terminal(console, typed)) {
      refuse_answer(console, prompt, expected, "5", typed.line);
      continue;
    }
    const std::optional<std::int32_t> number = parse_whole(*typed.token);
    if (number) {
      value = *number;
      warn_about_rest_of_line(console, prompt, typed, "o número " + std::to_string(value));
      return;
    }
    refuse_answer(console, prompt, expected, "5", *typed.token);
  }
}

char read_letter_answer(Console& console, std::string_view prompt, std::string* typed) {
  show_prompt(console, prompt);
  const std::string line = read_typed_line(console, prompt);
  if (typed != nullptr) *typed = line;
  return line.empty() ? ' ' : line.front();
}

}  // namespace elipses
