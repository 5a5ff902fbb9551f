#pragma once
// One output file's text, gathered in a character buffer and handed to the file in large
// blocks: a table or script of a hundred thousand points is written at close to the
// speed of copying its bytes.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace elipses {

class TextOutput {
 public:
  explicit TextOutput(std::ostream& file) : file_(file) { buffer_.reserve(block_size + 256); }
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;
  ~TextOutput() = default;

  void put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= block_size) flush();
  }
  // Every line of both files ends with CR LF.
  void put_line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n", 2);
    if (buffer_.size() >= block_size) flush();
  }
  // Hands what is gathered to the file; the file's own state tells whether it took it.
  void flush() {
    file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr std::size_t block_size = 1 << 16;
  std::ostream& file_;
  std::string buffer_;
};

}  // namespace elipses
