#pragma once
// What the dialogue needs from the operating system, behind one interface: the console
// (UTF-8 on Windows, the pause of a window opened by a double-click), writing, replacing
// and removing output files, and the end of a session cut short by the user. POSIX and
// Windows implementations live side by side in platform.cpp. File names are UTF-8 on
// both: Windows programs carry a manifest that makes UTF-8 their code page.
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <streambuf>
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

// True when standard error is a terminal or a console window, where a line can be
// rewritten in place: the sign of life of a long computation goes there, never to a file
// or a pipe.
bool standard_error_is_terminal();

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

// Moves a file over another, replacing it, from an interrupt's handler: rename(2) on POSIX,
// which is async-signal-safe; MoveFileExW on Windows, the names converted on the stack.
// Returns true when moved.
bool move_file_now(const char* from_utf8, const char* to_utf8);

// An output file written through the system's own calls (open and write(2); CreateFileW
// and WriteFile), in blocks of 64 KiB. On Windows the file is opened with FILE_SHARE_DELETE:
// the console's control handler runs on a thread of its own while the main thread may
// still hold the file open, and only so can it delete the file then. Windows completes
// such a deletion when the last handle closes, at the latest when the process ends; a
// file opened through the C library (std::ofstream) refuses it, which left the temporaries
// of an interrupted run behind. Closing the temporaries while a question waits would not
// be enough: a long run writes for seconds with no question asked.
class OutputFileBuffer : public std::streambuf {
 public:
  OutputFileBuffer();
  ~OutputFileBuffer() override;  // closes the file, writing what is still buffered
  OutputFileBuffer(const OutputFileBuffer&) = delete;
  OutputFileBuffer& operator=(const OutputFileBuffer&) = delete;

  // Creates the file, or empties it; false when it cannot be opened.
  bool open(const std::string& path_utf8);
  // Writes what is buffered and closes the file; false when any write failed (a full
  // disk) or the file was not open.
  bool close();
  bool is_open() const;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int sync() override;

 private:
  bool write_buffered();
  bool write_to_file(const char* data, std::size_t size);

  static constexpr std::size_t capacity = 65536;  // bytes
  std::intptr_t file_ = -1;  // the file descriptor (POSIX) or HANDLE (Windows); -1 when closed
  bool failed_ = false;
  std::unique_ptr<char[]> buffer_;
};

// Calls `handler(signal_number)` when the user interrupts or the session ends: SIGINT, SIGTERM,
// SIGHUP on POSIX (sigaction, no SA_RESTART); on Windows SetConsoleCtrlHandler mapping
// CTRL_C_EVENT to 2 (SIGINT), CTRL_BREAK_EVENT to 21, CTRL_CLOSE_EVENT to 1 (SIGHUP), and also
// signal(SIGTERM). The handler is expected to clean up and end the process itself.
// On Windows the log-off and shut-down events end the session as well and are also given
// as 1; a second event while the handler runs waits for the first to end the process. There
// the handler runs on the event's own thread while the main thread goes on: it is called
// only once the main thread holds no interrupt back (hold_interrupts).
void on_interrupt(void (*handler)(int signal_number));

// An interrupt held back for a short while: the output files being swapped for the earlier
// ones must not be interrupted halfway. POSIX blocks SIGINT, SIGTERM and SIGHUP
// (pthread_sigmask) and lets a pending one through on release; on Windows the console's
// control handler, which runs on a thread of its own, first takes a lock that the main
// thread holds meanwhile. Not nested.
void hold_interrupts();
// The signal number of an interrupt that came while held back, 0 when none came; it is
// still pending: the caller may handle it itself, and then must end the process.
int interrupt_held_back();
// An interrupt held back is handled now (the handler given to on_interrupt).
void release_interrupts();

// Writes bytes to standard error in an async-signal-safe way (write(2) / WriteFile).
void write_to_standard_error_now(const char* text);

// Ends the process at once with the status, without running destructors (_exit on POSIX;
// TerminateProcess on Windows, which unlike ExitProcess also skips the C library's
// shutdown, whose stream locks the interrupted main thread may still hold).
[[noreturn]] void end_process_now(int status);

}  // namespace elipses
