#pragma once
// What differs between the systems the program runs on: the console, replacing a file,
// and ending at once on an interrupt.
#include <iosfwd>
#include <string>

namespace elipses {

// Sets the console up for UTF-8 on Windows; nothing elsewhere.
void prepare_console();
// True when standard input is an interactive terminal.
bool standard_input_is_terminal();
// True when this process is the only one attached to its console window (started by a
// double-click on Windows); always false elsewhere.
bool console_window_is_ours_alone();
// Shows "Prima Enter para fechar." on the given stream and waits for Enter.
void wait_for_enter(std::ostream& err);
// Moves a finished file over the old one, replacing it. Returns an empty string on
// success, else a short reason.
std::string replace_file(const std::string& from_utf8, const std::string& to_utf8);
// Removes a file; async-signal-safe on POSIX. True when removed.
bool remove_file_now(const char* path_utf8);
// Calls handler(signal_number) on SIGINT, SIGTERM or SIGHUP (Ctrl-C, Ctrl-Break or the
// console closing on Windows). The handler cleans up and ends the process itself.
void on_interrupt(void (*handler)(int signal_number));
// Writes to standard error in an async-signal-safe way.
void write_to_standard_error_now(const char* text);
// Ends the process at once with the status, without running destructors.
[[noreturn]] void end_process_now(int status);

}  // namespace elipses
