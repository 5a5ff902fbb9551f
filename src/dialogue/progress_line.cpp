#include "dialogue/progress_line.hpp"

#include <string>

#include "dialogue/platform.hpp"

namespace elipses {

namespace {

// A step is shown once it has run this long, and its line rewritten at most this often.
constexpr std::chrono::milliseconds quiet_start{1000};
constexpr std::chrono::milliseconds refresh{200};

const char* step_words(ProgressStep step) {
  switch (step) {
    case ProgressStep::pairs:
      return "a testar todos os pares de pontos";
    case ProgressStep::design:
      return "a procurar os limites e as classes da folha de projeto";
    case ProgressStep::reliability:
      return "a calcular a fiabilidade de cada observação";
    case ProgressStep::height_pairs:
      return "a testar as alturas de todos os pares de pontos";
  }
  return "a calcular";
}

// 12345678 as "12 345 678": digits in groups of three, as Portuguese writes large counts.
std::string grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t at = digits.size() > 3 ? digits.size() - 3 : 0; at > 0; at = at > 3 ? at - 3 : 0) {
    digits.insert(at, 1, ' ');
  }
  return digits;
}

// The width of a text on the screen: its UTF-8 characters, not its bytes.
std::size_t screen_width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

// The line is written with interrupts held back. On Windows the console's handler runs on
// a thread of its own while this one computes on: without the hold, a line could follow
// the interrupt's message, or be cut by it.
class WritingHeld {
 public:
  WritingHeld() { hold_interrupts(); }
  ~WritingHeld() { release_interrupts(); }
  WritingHeld(const WritingHeld&) = delete;
  WritingHeld& operator=(const WritingHeld&) = delete;
};

}  // namespace

void ProgressLine::advance(ProgressStep step, std::uint64_t done, std::uint64_t total) {
  const Clock::time_point now = Clock::now();
  if (!started_ || step != step_) {
    erase();
    started_ = true;
    step_ = step;
    step_began_ = now;
    last_shown_ = Clock::time_point{};
  }
  if (now - step_began_ < quiet_start || now - last_shown_ < refresh) return;
  last_shown_ = now;
  const std::uint64_t percent = total > 0 ? done * 100 / total : 0;
  const std::string line = std::string("elipses: ") + step_words(step) + ": " + std::to_string(percent) + " % (" +
                           grouped(done) + " de " + grouped(total) + ")";
  const std::size_t width = screen_width(line);
  const WritingHeld held;
  err_ << '\r' << line;
  if (width < shown_width_) err_ << std::string(shown_width_ - width, ' ') << '\r' << line;
  err_.flush();
  shown_width_ = width;
}

void ProgressLine::erase() {
  if (shown_width_ == 0) return;
  const WritingHeld held;
  err_ << '\r' << std::string(shown_width_, ' ') << '\r';
  err_.flush();
  shown_width_ = 0;
}

}  // namespace elipses
