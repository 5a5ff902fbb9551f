#include "dialogue/platform.hpp"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <unistd.h>

namespace elipses {

void prepare_console() {}

bool standard_input_is_terminal() { return isatty(STDIN_FILENO) == 1; }

bool console_window_is_ours_alone() { return false; }

void wait_for_enter(std::ostream& err) { err << "Prima Enter para fechar.\n"; }

std::string replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  if (std::rename(from_utf8.c_str(), to_utf8.c_str()) != 0) return std::strerror(errno);
  return {};
}

bool remove_file_now(const char* path_utf8) { return unlink(path_utf8) == 0; }

namespace {
void (*interrupt_handler)(int) = nullptr;
extern "C" void on_signal(int signal_number) {
  if (interrupt_handler != nullptr) interrupt_handler(signal_number);
}
}  // namespace

void on_interrupt(void (*handler)(int signal_number)) {
  interrupt_handler = handler;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
}

void write_to_standard_error_now(const char* text) {
  const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

void end_process_now(int status) { _exit(status); }

}  // namespace elipses
