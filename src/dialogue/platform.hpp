#pragma once
// What the dialogue needs from the operating system, behind one interface: the console
// (UTF-8 on Windows, the pause of a window opened by a double-click), replacing and
// removing output files, and the end of a session cut short by the user. POSIX and
// Windows implementations live side by side in platform.cpp. File names are UTF-8 on
// both: Windows programs carry a manifest that makes UTF-8 their code page.
#include <iosfwd>
#include <string>

namespace elipses {

// Sets the console up for UTF-8 on Windows; nothing elsewhere. Call it after
// std::ios::sync_with_stdio(false), which gives std::cin a new buffer: on a Windows
// console std::cin is given one that reads the typed text as UTF-16 and hands it on as
// UTF-8, so that a name such as "Poligonal Évora.txt" arrives whole.
void prepare_console();

// True when standard input is an interactive terminal: isatty on POSIX; on Windows a console,
// as GetConsoleMode tells (_isatty says yes for any character device, the NUL device too).
bool standard_input_is_terminal();

// True when this process is the only one attached to its console window: on Windows
// GetConsoleProcessList returns 1 (started by a double-click) and standard input is a console;
// always false elsewhere.
bool console_window_is_ours_alone();

// Shows "Prima Enter para fechar." on the given stream and waits for Enter on the console
// (reads the console directly, e.g. from CONIN$ or std::cin if it is the console).
void wait_for_enter(std::ostream& err);

// Opens a file (a report) in the program the system gives its kind, the browser for a
// page; false where that cannot be done here.
bool open_with_default_program(const std::string& path_utf8);

// Moves a finished file over the old one, replacing it (rename(2) on POSIX; MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH on Windows, names converted from UTF-8).
// Returns an empty string on success, else a short Portuguese reason.
std::string replace_file(const std::string& from_utf8, const std::string& to_utf8);

// Removes a file; used on every early end to remove temporaries. Async-signal-safe on POSIX
// (unlink). Returns true when removed.
bool remove_file_now(const char* path_utf8);

// Calls `handler(signal_number)` when the user interrupts or the session ends: SIGINT, SIGTERM,
// SIGHUP on POSIX (sigaction, no SA_RESTART); on Windows SetConsoleCtrlHandler mapping
// CTRL_C_EVENT to 2 (SIGINT), CTRL_BREAK_EVENT to 21, CTRL_CLOSE_EVENT to 1 (SIGHUP), and also
// signal(SIGTERM). The handler is expected to clean up and end the process itself.
// On Windows the log-off and shut-down events end the session as well and are also given
// as 1; a second event while the handler runs waits for the first to end the process.
void on_interrupt(void (*handler)(int signal_number));

// Writes bytes to standard error in an async-signal-safe way (write(2) / WriteFile).
void write_to_standard_error_now(const char* text);

// Ends the process at once with the status, without running destructors (_exit on POSIX;
// TerminateProcess on Windows, which unlike ExitProcess also skips the C library's
// shutdown, whose stream locks the interrupted main thread may still hold).
[[noreturn]] void end_process_now(int status);

}  // namespace elipses
