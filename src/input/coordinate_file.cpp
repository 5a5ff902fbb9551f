#include <cmath>
#include "input/coordinate_file.hpp"

#include <algorithm>
#include <functional>
#include <string_view>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <optional>
#include <limits>

#include "input/free_form.hpp"
#include "input/input_error.hpp"
#include "common/text_encoding.hpp"
#include "propagation/traverse_model.hpp"

namespace elipses {

namespace {

constexpr const char* value_description[4] = {"o nome do ponto", "a coordenada M", "a coordenada P", "a altura H"};

// The last value a record is read to: P, or H when the file is read with heights.
std::string last_value(const CoordinateFile& file) { return file.heights ? "H" : "P"; }

std::string location(const CoordinateFile& file, std::int32_t line) {
  return "ficheiro de coordenadas \"" + file.name + "\", linha " + std::to_string(line) + ": ";
}

[[noreturn]] void refuse(const CoordinateFile& file, std::int32_t line, const std::string& what) {
  throw InputError(location(file, line) + what);
}

// The line that starts at `offset`, without its line end.
std::string_view line_at(const CoordinateFile& file, std::size_t offset) {
  std::size_t last = file.text.find('\n', offset);
  if (last == std::string::npos) last = file.text.size();
  while (last > offset && file.text[last - 1] == '\r') --last;
  return std::string_view(file.text).substr(offset, last - offset);
}

// The fields of one line of a semicolon file, each without the blanks around it. A field
// between double quotes, as spreadsheets write a text, may hold semicolons, and a doubled
// quote in it stands for one.
struct SemicolonFields {
  std::vector<std::string> fields;
  bool unclosed_quote = false;  // in the field after the last one gathered
};

SemicolonFields semicolon_fields(std::string_view line) {
  SemicolonFields split;
  std::vector<std::string>& fields = split.fields;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && is_blank(line[i])) ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
      for (++i;; ++i) {
        if (i == line.size()) {
          split.unclosed_quote = true;
          return split;
        }
        if (line[i] != '"') {
          field += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    }
    while (i < line.size() && line[i] != ';') field += line[i++];
    while (!field.empty() && is_blank(field.back())) field.pop_back();
    fields.push_back(field);
    if (i == line.size()) return split;
    ++i;  // the semicolon
  }
}

// A coordinate of a semicolon file: a comma or a point as the decimal mark.
std::optional<double> semicolon_number(const std::string& field) {
  const std::size_t comma = field.find(',');
  if (comma == std::string::npos) return parse_real(field);
  if (field.find(',', comma + 1) != std::string::npos || field.find('.') != std::string::npos) return std::nullopt;
  std::string pointed = field;
  pointed[comma] = '.';
  return parse_real(pointed);
}

// A semicolon in the first record, not counting one inside a quoted name at its start
// ("A;1" 0 0 is a point of the other layout).
bool holds_semicolon(std::string_view line) {
  std::size_t from = 0;
  if (!line.empty() && (line[0] == '"' || line[0] == '\'')) {
    const char quote = line[0];
    for (from = 1; from < line.size(); ++from) {
      if (line[from] != quote) continue;
      if (from + 1 < line.size() && line[from + 1] == quote) {
        ++from;  // a doubled quote stands for one
        continue;
      }
      break;
    }
  }
  return line.find(';', from) != std::string_view::npos;
}

// Whether the file is a semicolon file, and whether its first line is a header (its
// coordinates are words: "Nome;M;P"), which the pass then starts after.
void find_semicolon_layout(CoordinateFile& file) {
  std::size_t first = file.position;
  std::int32_t line = 1;
  while (first < file.text.size() && (is_blank(file.text[first]) || file.text[first] == '\n')) {
    if (file.text[first++] == '\n') ++line;
  }
  const std::string_view record = line_at(file, first);
  file.semicolons = holds_semicolon(record);
  file.header_line = 0;
  if (!file.semicolons) return;
  const SemicolonFields split = semicolon_fields(record);
  if (split.unclosed_quote || split.fields.size() < 3) return;
  for (std::size_t k = 1; k <= 2; ++k) {
    if (split.fields[k].empty() || semicolon_number(split.fields[k])) return;
  }
  file.header_line = line;
  file.header = std::string(record);
  file.position = first + record.size();
  file.line = line;
}

// Every pass reads the file again from its start. A NUL byte means it is not a text
// file: the reading stops there, so a device that never ends is refused as well.
void start_pass(CoordinateFile& file) {
  file.stream.clear();
  file.stream.seekg(0, std::ios::beg);
  if (file.stream.fail()) {
    // A pipe can be read only once, and a closed traverse reads the points again.
    throw InputError("o ficheiro de coordenadas \"" + file.name +
                     "\" não pode ser lido de novo desde o início; use um ficheiro comum");
  }
  file.text.clear();
  // The whole file is held for the pass: room for it at once, not grown by doubling.
  file.stream.seekg(0, std::ios::end);
  const std::streamoff size = file.stream.tellg();
  file.stream.seekg(0, std::ios::beg);
  if (size > 0) file.text.reserve(static_cast<std::size_t>(size));
  std::int32_t line = 1;
  char chunk[65536];
  for (;;) {
    file.stream.read(chunk, sizeof chunk);
    const std::streamsize got = file.stream.gcount();
    if (got <= 0) break;
    const std::string_view piece(chunk, static_cast<std::size_t>(got));
    const std::size_t nul = piece.find('\0');
    if (nul != std::string_view::npos) {
      line += static_cast<std::int32_t>(std::count(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(nul), '\n'));
      refuse(file, line, "contém um byte nulo; não é um ficheiro de texto");
    }
    line += static_cast<std::int32_t>(std::count(piece.begin(), piece.end(), '\n'));
    file.text.append(piece);
  }
  if (file.stream.bad()) {
    throw InputError("não foi possível ler o ficheiro de coordenadas \"" + file.name + "\"");
  }
  // A byte order mark, as some editors write at the start of a UTF-8 file, is not part
  // of the first name.
  file.position = file.text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  file.line = 1;
  find_semicolon_layout(file);
}

// The text of a pass is not kept between passes: each pass reads the file again.
void end_pass(CoordinateFile& file) {
  file.text.clear();
  file.text.shrink_to_fit();
}

bool at_end(const CoordinateFile& file) { return file.position >= file.text.size(); }

// Blanks and line ends between values.
void skip_white_space(CoordinateFile& file) {
  while (!at_end(file)) {
    const char c = file.text[file.position];
    if (c == '\n') {
      ++file.line;
    } else if (!is_blank(c)) {
      return;
    }
    ++file.position;
  }
}

constexpr std::size_t notes_shown = 3;

// The line the read position is on, for a warning.
std::string current_line_text(const CoordinateFile& file) {
  const std::size_t before = file.position == 0 ? std::string::npos : file.text.rfind('\n', file.position - 1);
  const std::size_t first = before == std::string::npos ? 0 : before + 1;
  std::size_t last = file.text.find('\n', file.position);
  if (last == std::string::npos) last = file.text.size();
  while (last > first && file.text[last - 1] == '\r') --last;
  return file.text.substr(first, last - first);
}

void note_more_after_p(CoordinateFile& file) {
  std::size_t i = file.position;
  bool more = false;
  while (i < file.text.size() && file.text[i] != '\n') {
    const char c = file.text[i++];
    if (!is_blank(c) && c != ',') {
      more = true;
      break;
    }
  }
  if (!more) return;
  ++file.more_after_p_count;
  if (file.notes_more_after_p.size() < notes_shown) {
    file.notes_more_after_p.push_back(location(file, file.line) + "há mais valores depois de " + last_value(file) +
                                      ", que foram ignorados: \"" + quote_for_message(current_line_text(file)) + "\"");
  }
}

// Once a point is complete, the rest of its line is ignored.
void skip_rest_of_line(CoordinateFile& file) {
  if (file.noting) note_more_after_p(file);
  while (!at_end(file)) {
    const char c = file.text[file.position++];
    if (c == '\n') {
      ++file.line;
      return;
    }
  }
}

// The token at the read position, valid until the next pass replaces the text.
std::string_view read_bare_token(CoordinateFile& file) {
  const std::size_t first = file.position;
  while (!at_end(file) && !ends_value(file.text[file.position])) ++file.position;
  return std::string_view(file.text).substr(first, file.position - first);
}

void read_name(CoordinateFile& file, std::int32_t number) {
  const char opening = file.text[file.position];
  std::string name;
  if (opening == '"' || opening == '\'') {
    ++file.position;
    for (;;) {
      if (at_end(file) || file.text[file.position] == '\n') {
        refuse(file, file.line, "o nome do ponto " + std::to_string(number) + " abre aspas que não fecham na mesma linha");
      }
      const std::size_t run_end = std::min(file.text.find(opening, file.position), file.text.find('\n', file.position));
      if (run_end != file.position) {
        // The characters up to the next quote or line end, at once.
        name.append(file.text, file.position, (run_end == std::string::npos ? file.text.size() : run_end) - file.position);
        file.position = run_end == std::string::npos ? file.text.size() : run_end;
        continue;
      }
      const char c = file.text[file.position++];
      if (c != opening) {
        name += c;
      } else if (!at_end(file) && file.text[file.position] == opening) {
        name += opening;  // a doubled quote stands for one quote character
        ++file.position;
      } else {
        break;
      }
    }
    if (!at_end(file) && !ends_value(file.text[file.position])) {
      const std::string_view rest = read_bare_token(file);
      refuse(file, file.line, "depois do nome do ponto " + std::to_string(number) +
                                  " esperava-se uma vírgula, um espaço ou o fim da linha, encontrou-se \"" +
                                  quote_for_message(rest) + "\"");
    }
  } else {
    name = std::string(read_bare_token(file));
    if (is_number_syntax(name)) {
      refuse(file, file.line, "esperava-se o nome do ponto " + std::to_string(number) + ", encontrou-se o número \"" +
                                  quote_for_message(name) + "\"");
    }
  }
  file.reading.name = four_character_name(name);
  if (file.noting) file.full_name = name;
}

void read_coordinate(CoordinateFile& file, std::int32_t number, int index) {
  const std::int32_t line = file.line;
  const std::string_view token = read_bare_token(file);
  const std::optional<double> value = parse_real(token);
  if (!value) {
    const std::string expected = std::string(value_description[index]) + " do ponto " + std::to_string(number);
    if (is_number_syntax(token)) {
      refuse(file, line, expected + " está fora do alcance de um número real: \"" + quote_for_message(token) + "\"");
    }
    refuse(file, line, "esperava-se " + expected + " (um número), encontrou-se \"" + quote_for_message(token) + "\"");
  }
  (index == 1 ? file.reading.m : index == 2 ? file.reading.p : file.reading.h) = *value;
}

// What follows P on P's own line, where a file of heights has H; found without moving the
// read position. `after_value` tells that P was written, so a comma right after it is
// only its separator.
struct ValueAfterP {
  enum class Kind { value, null_value, slash, line_end };
  Kind kind = Kind::line_end;
  std::size_t first = 0;  // where the value or its mark starts in the text of the pass
  std::size_t last = 0;   // one past its end
};

ValueAfterP value_after_p(const CoordinateFile& file, bool after_value) {
  const std::string& text = file.text;
  std::size_t i = file.position;
  while (i < text.size() && is_blank(text[i])) ++i;
  if (after_value && i < text.size() && text[i] == ',') {
    ++i;
    while (i < text.size() && is_blank(text[i])) ++i;
  }
  ValueAfterP found;
  found.first = i;
  found.last = i;
  if (i == text.size() || text[i] == '\n') return found;
  if (text[i] == ',' || text[i] == '/') {
    found.kind = text[i] == ',' ? ValueAfterP::Kind::null_value : ValueAfterP::Kind::slash;
    found.last = i + 1;
    return found;
  }
  found.kind = ValueAfterP::Kind::value;
  while (found.last < text.size() && !ends_value(text[found.last])) ++found.last;
  return found;
}

// H into the reading variables, from P's own line: a height on a later line would take
// the next record's values for this one's.
void read_height(CoordinateFile& file, std::int32_t number, const ValueAfterP& after) {
  if (after.kind == ValueAfterP::Kind::line_end) {
    refuse(file, file.line, "esperava-se a altura H do ponto " + std::to_string(number) +
                                " (um número) depois de P, na mesma linha, encontrou-se o fim " +
                                (after.first == file.text.size() ? "do ficheiro" : "da linha"));
  }
  // A null value or a slash keeps the height before. No check reads heights, so the first
  // record's needs no second check pass.
  file.position = after.kind == ValueAfterP::Kind::value ? after.first : after.last;
  if (after.kind == ValueAfterP::Kind::value) read_coordinate(file, number, 3);
}

[[noreturn]] void refuse_field(const CoordinateFile& file, std::size_t field, const std::string& what) {
  throw InputError("ficheiro de coordenadas \"" + file.name + "\", linha " + std::to_string(file.line) + ", campo " +
                   std::to_string(field) + ": " + what);
}

// One line of a semicolon file into the reading variables: name;M;P (name;M;P;H with
// heights), blanks around a field allowed, further fields ignored (a trailing semicolon
// leaves an empty one).
void read_semicolon_point(CoordinateFile& file, std::int32_t number) {
  skip_white_space(file);
  const std::string_view line = line_at(file, file.position);
  const SemicolonFields split = semicolon_fields(line);
  const std::vector<std::string>& fields = split.fields;
  if (split.unclosed_quote) refuse_field(file, fields.size() + 1, "abre aspas que não fecham na mesma linha");
  // "o nome do ponto 2", "a coordenada M do ponto 2"
  const auto expected = [&](std::size_t k) {
    return (k == 0 ? std::string("o nome") : std::string(value_description[k])) + " do ponto " + std::to_string(number);
  };
  const std::size_t needed = file.heights ? 4 : 3;
  for (std::size_t k = 0; k < needed; ++k) {
    if (k == fields.size()) {
      refuse_field(file, k + 1, "falta " + expected(k) + " (a linha tem " + std::to_string(fields.size()) +
                                    (fields.size() == 1 ? " campo)" : " campos)"));
    }
    if (fields[k].empty()) refuse_field(file, k + 1, "vazio; esperava-se " + expected(k));
  }
  double coordinates[3] = {0.0, 0.0, 0.0};  // M, P and H, metres
  for (std::size_t k = 1; k < needed; ++k) {
    const std::optional<double> value = semicolon_number(fields[k]);
    if (!value) {
      if (is_number_syntax(fields[k])) {
        refuse_field(file, k + 1,
                     expected(k) + " está fora do alcance de um número real: \"" + quote_for_message(fields[k]) + "\"");
      }
      refuse_field(file, k + 1,
                   "esperava-se " + expected(k) + " (um número), encontrou-se \"" + quote_for_message(fields[k]) + "\"");
    }
    coordinates[k - 1] = *value;
  }
  const bool more_fields = std::any_of(fields.begin() + static_cast<std::ptrdiff_t>(needed), fields.end(),
                                       [](const std::string& f) { return !f.empty(); });
  if (file.noting && more_fields) {
    ++file.more_after_p_count;
    if (file.notes_more_after_p.size() < notes_shown) {
      file.notes_more_after_p.push_back(location(file, file.line) + "há mais campos depois de " + last_value(file) +
                                        ", que foram ignorados: \"" + quote_for_message(line) + "\"");
    }
  }
  if (file.noting && (fields.size() < 4 || !semicolon_number(fields[3]))) file.every_point_has_third_value = false;
  file.reading.name = four_character_name(fields[0]);
  if (file.noting) file.full_name = fields[0];
  file.reading.m = coordinates[0];
  file.reading.p = coordinates[1];
  if (file.heights) file.reading.h = coordinates[2];
  file.position += line.size();
  while (!at_end(file) && file.text[file.position++] != '\n') {
  }
  ++file.line;
}

// One point into the reading variables: name, M and P, separated by commas, blanks or
// line ends, and with heights H after P on its line. A comma with nothing before it is a
// null value and a slash ends the point at once; both leave the values not read as the
// point before left them.
void read_point(CoordinateFile& file, std::int32_t number) {
  if (file.semicolons) {
    read_semicolon_point(file, number);
    return;
  }
  int index = 0;
  bool after_value = false;  // a comma right after a value is only its separator
  bool ended = false;        // by a slash
  while (index < 3) {
    skip_white_space(file);
    if (at_end(file)) {
      refuse(file, file.line, "o ficheiro termina a meio do ponto " + std::to_string(number) + ": falta " +
                                  value_description[index]);
    }
    const char c = file.text[file.position];
    if (c == '/') {
      ++file.position;
      if (number == 1) file.first_record_incomplete = true;
      ended = true;
      break;
    }
    if (c == ',') {
      ++file.position;
      if (after_value) {
        after_value = false;
      } else {
        if (number == 1) file.first_record_incomplete = true;
        ++index;
      }
      continue;
    }
    if (index == 0) {
      read_name(file, number);
    } else {
      read_coordinate(file, number, index);
    }
    ++index;
    after_value = true;
  }
  if (!ended && (file.heights || file.noting)) {
    const ValueAfterP after = value_after_p(file, after_value);
    if (file.noting &&
        (after.kind != ValueAfterP::Kind::value ||
         !parse_real(std::string_view(file.text).substr(after.first, after.last - after.first)))) {
      file.every_point_has_third_value = false;
    }
    if (file.heights) read_height(file, number, after);
  } else if (file.noting) {
    file.every_point_has_third_value = false;
  }
  skip_rest_of_line(file);
}

std::string trimmed(const std::string& name) {
  const std::size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

// The record that starts at `offset` of the pass's text, up to its line end.
std::string record_text(const CoordinateFile& file, std::size_t offset) {
  std::size_t last = file.text.find('\n', offset);
  if (last == std::string::npos) last = file.text.size();
  while (last > offset && file.text[last - 1] == '\r') --last;
  return file.text.substr(offset, last - offset);
}

// A pass that checks the traverse as it reads: legs of no length, names the cut to four
// characters made equal, and values after P on a record's line.
void start_noting(CoordinateFile& file) {
  file.noting = true;
  file.every_point_has_third_value = true;  // until a record without one
  file.notes_more_after_p.clear();
  file.more_after_p_count = 0;
  file.notes_names.clear();
  file.names_count = 0;
  file.name_uses.clear();
  file.any_name_cut = false;
  file.previous = Point();
  file.previous_line = 0;
  file.unusable_leg.clear();
}

void note_point(CoordinateFile& file, std::int32_t i, std::int32_t line, std::size_t offset) {
  const Point& current = file.reading;
  const bool cut = file.full_name.size() > current.name.size() ||
                   current.name.compare(0, file.full_name.size(), file.full_name) != 0;
  file.any_name_cut = file.any_name_cut || cut;
  const std::hash<std::string_view> hash;
  file.name_uses.push_back(
      CoordinateFile::NameUse{hash(current.name), hash(cut ? file.full_name : trimmed(current.name)), offset, line});
  // A leg of no length has no direction; one too long for a double (coordinates near
  // ±1e308 of opposite signs) has none either, and every figure of it would be lost.
  const double length = i > 1 ? leg_length(current.m - file.previous.m, current.p - file.previous.p) : 1.0;
  if (file.unusable_leg.empty() && (length == 0.0 || !std::isfinite(length))) {
    file.unusable_leg = location(file, line) + "a perna do ponto " + std::to_string(i - 1) + " \"" +
                    trimmed(file.previous.name) + "\" (linha " + std::to_string(file.previous_line) + ") ao ponto " +
                    std::to_string(i) + " \"" + trimmed(current.name) + "\" " +
                    (length == 0.0 ? "tem comprimento nulo; a sua direção é indefinida"
                                   : "é longa demais para ser calculada; verifique as coordenadas");
  }
  file.previous = current;
  file.previous_line = line;
}

// The names made equal by the cut, told while the text of the pass is still at hand.
void finish_noting(CoordinateFile& file) {
  file.noting = false;
  std::vector<CoordinateFile::NameUse>& uses = file.name_uses;
  if (file.any_name_cut) {
    std::stable_sort(uses.begin(), uses.end(),
                     [](const CoordinateFile::NameUse& a, const CoordinateFile::NameUse& b) { return a.stored < b.stored; });
    for (std::size_t first = 0; first < uses.size();) {
      std::size_t last = first + 1;
      while (last < uses.size() && uses[last].stored == uses[first].stored) ++last;
      for (std::size_t k = first + 1; k < last; ++k) {
        if (uses[k].full == uses[first].full) continue;
        ++file.names_count;
        if (file.notes_names.size() < notes_shown) {
          file.notes_names.push_back(location(file, uses[k].line) + "\"" +
                                     quote_for_message(record_text(file, uses[k].offset)) +
                                     "\" fica com o mesmo nome que a linha " + std::to_string(uses[first].line) +
                                     " (\"" + quote_for_message(record_text(file, uses[first].offset)) +
                                     "\"): só contam os quatro primeiros caracteres do nome");
        }
      }
      first = last;
    }
  }
  uses.clear();
  uses.shrink_to_fit();
}


}  // namespace

std::string four_character_name(const std::string& name) {
  std::string out;
  int characters = 0;
  std::size_t i = 0;
  while (i < name.size() && characters < 4) {
    const std::size_t length = utf8_character_length(name, i);
    out.append(name, i, length);
    i += length;
    ++characters;
  }
  out.append(static_cast<std::size_t>(4 - characters), ' ');
  return out;
}

namespace {

bool is_in_one_pair_of_quotes(const std::string& name) {
  return name.size() > 2 && name.front() == '"' && name.find('"', 1) == name.size() - 1;
}

bool is_folder(const std::string& name) {
  std::error_code ignored;
  return std::filesystem::is_directory(std::filesystem::u8path(name), ignored);  // names are UTF-8
}

}  // namespace

void open_coordinate_file(CoordinateFile& file, const std::string& name) {
  file.name = name;
  // "Copiar como caminho" and a file dragged into a console window give the name between
  // double quotes: a name that does not open as typed is tried without them, and every
  // message then quotes it as typed.
  if (is_in_one_pair_of_quotes(name)) {
    if (!is_folder(name)) file.stream.open(name, std::ios::in | std::ios::binary);
    if (file.stream.is_open()) return;
    file.stream.clear();
    file.name = name.substr(1, name.size() - 2);
  }
  if (is_folder(file.name)) {
    throw InputError("\"" + file.name + "\" é uma pasta, não um ficheiro de coordenadas");
  }
  file.stream.open(file.name, std::ios::in | std::ios::binary);
  if (!file.stream.is_open()) {
    throw InputError("não foi possível abrir o ficheiro de coordenadas \"" + file.name + "\"");
  }
}

std::int32_t count_points(CoordinateFile& file) {
  start_pass(file);
  // The checks ride along with the count: a file whose first record is whole reads the
  // same values in every pass.
  start_noting(file);
  file.first_record_incomplete = false;
  std::int32_t n = 0;
  for (;;) {
    skip_white_space(file);
    if (at_end(file)) break;
    if (n == std::numeric_limits<std::int32_t>::max()) {
      refuse(file, file.line, "demasiados pontos");
    }
    const std::int32_t line = file.line;
    const std::size_t offset = file.position;
    file.full_name = trimmed(file.reading.name);  // a slash or a null value keeps the name before
    read_point(file, n + 1);
    ++n;
    note_point(file, n, line, offset);
  }
  finish_noting(file);
  end_pass(file);
  if (n == 0) file.every_point_has_third_value = false;
  return n;  // the next pass starts again from the start of the file
}


void check_traverse(CoordinateFile& file, std::int32_t n) {
  if (n == 0) {
    throw InputError("o ficheiro de coordenadas \"" + file.name + "\" não tem nenhum ponto");
  }
  if (file.first_record_incomplete) {
    // The count pass may have read other values than the load pass will: the checks
    // are made again on the values the load pass reads.
    const Point saved = file.reading;
    start_pass(file);
    start_noting(file);
    for (std::int32_t i = 1; i <= n; ++i) {
      skip_white_space(file);
      const std::int32_t line = file.line;
      const std::size_t offset = file.position;
      file.full_name = trimmed(file.reading.name);  // a slash or a null value keeps the name before
      read_point(file, i);
      note_point(file, i, line, offset);
    }
    finish_noting(file);
    end_pass(file);
    file.reading = saved;
  }
  if (!file.unusable_leg.empty()) throw InputError(file.unusable_leg);
}

std::vector<std::string> reading_warnings(const CoordinateFile& file) {
  std::vector<std::string> warnings;
  if (file.header_line > 0) {
    warnings.push_back(location(file, file.header_line) + "\"" + quote_for_message(file.header) +
                       "\" não tem coordenadas: é um cabeçalho, que foi ignorado");
  }
  warnings.insert(warnings.end(), file.notes_more_after_p.begin(), file.notes_more_after_p.end());
  const std::string named = "ficheiro de coordenadas \"" + file.name + "\": ";
  if (file.semicolons) {
    if (file.more_after_p_count > static_cast<std::int32_t>(file.notes_more_after_p.size())) {
      warnings.push_back(named + std::to_string(file.more_after_p_count) + " registos com mais campos depois de " +
                         last_value(file) + ", ignorados");
    }
  } else if (file.more_after_p_count > static_cast<std::int32_t>(file.notes_more_after_p.size())) {
    warnings.push_back(named + std::to_string(file.more_after_p_count) + " registos com mais valores depois de " +
                       last_value(file) + "; se são vírgulas decimais, use o ponto (1234.567)");
  } else if (file.more_after_p_count > 0) {
    warnings.push_back(named + "se há vírgulas decimais, use o ponto como separador decimal (1234.567)");
  }
  warnings.insert(warnings.end(), file.notes_names.begin(), file.notes_names.end());
  if (file.names_count > static_cast<std::int32_t>(file.notes_names.size())) {
    warnings.push_back(named + std::to_string(file.names_count) +
                       " pontos com o nome igual ao de outro depois do corte a quatro caracteres");
  }
  return warnings;
}

namespace {

// A pass that stores the i-th point read at position i, or at n+1-i in reverse.
PointList load_pass(CoordinateFile& file, std::int32_t n, bool reversed) {
  start_pass(file);
  PointList list;
  list.n = n;
  list.points.resize(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    read_point(file, i);
    list.at(reversed ? n + 1 - i : i) = file.reading;
  }
  end_pass(file);
  return list;
}

}  // namespace

PointList load_points(CoordinateFile& file, std::int32_t n) { return load_pass(file, n, false); }

PointList load_points_reversed(CoordinateFile& file, std::int32_t n) { return load_pass(file, n, true); }

}  // namespace elipses
