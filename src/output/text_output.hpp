#pragma once
// One output file's text, gathered in a character buffer and handed to the file in large
// blocks: a table or script of a hundred thousand points is written at close to the
// speed of copying its bytes. Numbers are formatted straight into the buffer.
#include <cstddef>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>

namespace elipses {

class TextOutput {
 public:
  explicit TextOutput(std::ostream& file) : file_(file), buffer_(new char[capacity]), end_(buffer_.get()) {}
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;
  ~TextOutput() = default;

  // Room for `size` more characters (at most a line's worth) at the returned place;
  // `advance` then says where the written characters end.
  char* room(std::size_t size) {
    if (static_cast<std::size_t>(buffer_.get() + capacity - end_) < size) flush();
    return end_;
  }
  void advance(char* new_end) { end_ = new_end; }

  void put(std::string_view text) {
    if (text.size() > line_room) {
      flush();
      file_.write(text.data(), static_cast<std::streamsize>(text.size()));
      return;
    }
    char* at = room(text.size());
    std::memcpy(at, text.data(), text.size());
    end_ = at + text.size();
  }
  // Every line of the output files ends with CR LF.
  void put_line(std::string_view text) {
    put(text);
    char* at = room(2);
    at[0] = '\r';
    at[1] = '\n';
    end_ = at + 2;
  }
  // Hands what is gathered to the file; the file's own state tells whether it took it.
  void flush() {
    file_.write(buffer_.get(), end_ - buffer_.get());
    end_ = buffer_.get();
  }

  static constexpr std::size_t line_room = 1024;  // the most `room` is asked for at once

 private:
  static constexpr std::size_t capacity = (std::size_t{1} << 16) + line_room;
  std::ostream& file_;
  std::unique_ptr<char[]> buffer_;
  char* end_;
};

}  // namespace elipses
