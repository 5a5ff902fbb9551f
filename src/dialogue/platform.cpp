#include "dialogue/platform.hpp"

#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <streambuf>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>
#endif

namespace elipses {

namespace {
constexpr const char* enter_to_close = "Prima Enter para fechar.";
}  // namespace

// The buffering is the same on both systems; open, write_to_file and close differ below.
OutputFileBuffer::OutputFileBuffer() : buffer_(std::make_unique<char[]>(capacity)) {}

OutputFileBuffer::~OutputFileBuffer() { static_cast<void>(close()); }

bool OutputFileBuffer::is_open() const { return file_ != -1; }

bool OutputFileBuffer::write_buffered() {
  const auto size = static_cast<std::size_t>(pptr() - pbase());
  setp(buffer_.get(), buffer_.get() + capacity);
  if (size > 0 && !failed_ && !write_to_file(buffer_.get(), size)) failed_ = true;
  return !failed_;
}

OutputFileBuffer::int_type OutputFileBuffer::overflow(int_type c) {
  if (!is_open() || !write_buffered()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize OutputFileBuffer::xsputn(const char_type* text, std::streamsize count) {
  if (count <= 0) return 0;
  const auto size = static_cast<std::size_t>(count);
  if (size > static_cast<std::size_t>(epptr() - pptr())) {
    if (!is_open() || !write_buffered()) return 0;
    // A block as large as the buffer goes to the file directly.
    if (size >= capacity) {
      if (!write_to_file(text, size)) failed_ = true;
      return failed_ ? 0 : count;
    }
  }
  std::memcpy(pptr(), text, size);
  pbump(static_cast<int>(size));
  return count;
}

int OutputFileBuffer::sync() { return is_open() && write_buffered() ? 0 : -1; }

#ifdef _WIN32

namespace {

constexpr int interrupt_signal = 2;  // SIGINT
constexpr int break_signal = 21;     // SIGBREAK
constexpr int hangup_signal = 1;     // SIGHUP, which Windows does not define

// The longest path Windows accepts, in UTF-16 units.
constexpr int longest_path = 32768;

bool widen(const std::string& utf8, std::wstring& wide) {
  if (utf8.empty()) return false;
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide.assign(static_cast<std::size_t>(n), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), n) == n;
}

std::string reason(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "ficheiro ou pasta não encontrado";
    case ERROR_ACCESS_DENIED:
      return "acesso negado";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "o ficheiro está aberto noutro programa";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "disco cheio";
    case ERROR_NOT_SAME_DEVICE:
      return "os ficheiros estão em discos diferentes";
    case ERROR_WRITE_PROTECT:
      return "disco protegido contra escrita";
    default:
      return "erro do sistema " + std::to_string(error);
  }
}

// Reads a line from the console as UTF-16 until Enter; false when the console gives
// nothing more. A Ctrl+C makes the read return empty-handed: the control handler ends the
// process (or, when none was set, Windows does), so the read is simply tried again.
bool read_console(HANDLE console, wchar_t* text, DWORD capacity, DWORD& got) {
  for (;;) {
    got = 0;
    if (ReadConsoleW(console, text, capacity, &got, nullptr) == 0) return false;
    if (got > 0) return true;
    if (GetLastError() != ERROR_OPERATION_ABORTED) return false;
    Sleep(100);
  }
}

// std::cin on a console. With the console's input code page set to UTF-8, Windows 10
// hands a program that reads bytes a NUL in place of each letter outside ASCII, so the
// typed text is read as UTF-16 and converted here. Lines end in LF, as in text mode,
// and Ctrl+Z ends the input, as it does for the C library.
class ConsoleInputBuffer : public std::streambuf {
 public:
  explicit ConsoleInputBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type underflow() override {
    while (gptr() == egptr()) {
      if (ended_) return traits_type::eof();
      wchar_t wide[1024];
      DWORD got = 0;
      std::size_t units = 0;
      if (pending_high_surrogate_ != 0) wide[units++] = pending_high_surrogate_;
      pending_high_surrogate_ = 0;
      if (!read_console(console_, wide + units, static_cast<DWORD>(1024 - units), got)) {
        ended_ = true;
        got = 0;
      }
      units += got;
      // A letter beyond the first plane may be cut in two by the end of the buffer.
      if (units > 0 && wide[units - 1] >= 0xD800 && wide[units - 1] <= 0xDBFF && !ended_) {
        pending_high_surrogate_ = wide[--units];
      }
      for (std::size_t i = 0; i < units; ++i) {
        if (wide[i] == 0x1A) {  // Ctrl+Z
          units = i;
          ended_ = true;
        }
      }
      text_.clear();
      if (units > 0) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
        if (n > 0) {
          text_.assign(static_cast<std::size_t>(n), '\0');
          WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(units), text_.data(), n, nullptr, nullptr);
        }
      }
      std::size_t kept = 0;
      for (std::size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') continue;
        text_[kept++] = text_[i];
      }
      text_.resize(kept);
      setg(text_.data(), text_.data(), text_.data() + text_.size());
    }
    return traits_type::to_int_type(*gptr());
  }

 private:
  HANDLE console_;
  std::string text_;
  wchar_t pending_high_surrogate_ = 0;
  bool ended_ = false;
};

// std::cout and std::cerr on a console: the UTF-8 text is written as UTF-16, so that a
// file name with Portuguese letters shows as typed, whatever the C library makes of the
// console's code page. A letter cut in two by a flush waits for its other half.
class ConsoleOutputBuffer : public std::streambuf {
 public:
  explicit ConsoleOutputBuffer(HANDLE console) : console_(console) { setp(text_, text_ + capacity); }

 protected:
  int_type overflow(int_type c) override {
    if (sync() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (pptr() == epptr()) return traits_type::eof();
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

  int sync() override {
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    std::size_t whole = size;
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
      const auto byte = static_cast<unsigned char>(text_[size - back]);
      if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
      const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      if (length > back) whole = size - back;
      break;
    }
    if (!write(whole)) return -1;
    std::memmove(text_, text_ + whole, size - whole);
    setp(text_, text_ + capacity);
    pbump(static_cast<int>(size - whole));
    return 0;
  }

 private:
  static constexpr std::size_t capacity = 4096;

  bool write(std::size_t size) {
    if (size == 0) return true;
    wchar_t wide[capacity];  // never more UTF-16 units than UTF-8 bytes
    const int n = MultiByteToWideChar(CP_UTF8, 0, text_, static_cast<int>(size), wide, static_cast<int>(capacity));
    if (n <= 0) return false;
    for (int done = 0; done < n;) {
      DWORD written = 0;
      if (WriteConsoleW(console_, wide + done, static_cast<DWORD>(n - done), &written, nullptr) == 0 || written == 0) {
        return false;
      }
      done += static_cast<int>(written);
    }
    return true;
  }

  HANDLE console_;
  char text_[capacity];
};

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

UINT original_input_code_page = 0;
UINT original_output_code_page = 0;

// The code pages belong to the console window, which outlives the program when it was
// started from a command prompt: they are given back on the way out.
void restore_code_pages() {
  if (original_input_code_page != 0) SetConsoleCP(original_input_code_page);
  if (original_output_code_page != 0) SetConsoleOutputCP(original_output_code_page);
}

void (*interrupt_handler)(int) = nullptr;
std::atomic<bool> interrupt_handled{false};
// The event a control handler waits to handle while the main thread holds interrupts back.
std::atomic<int> interrupt_waiting{0};
SRWLOCK interrupt_lock = SRWLOCK_INIT;

BOOL WINAPI on_console_event(DWORD event) {
  int signal_number = 0;
  switch (event) {
    case CTRL_C_EVENT:
      signal_number = interrupt_signal;
      break;
    case CTRL_BREAK_EVENT:
      signal_number = break_signal;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signal_number = hangup_signal;
      break;
    default:
      return FALSE;
  }
  // Each event runs on a thread of its own: the first one cleans up and ends the process.
  if (interrupt_handled.exchange(true)) {
    Sleep(INFINITE);
  }
  // The main thread goes on meanwhile: the handler waits until it holds no interrupt back
  // (the swap of the output files), and keeps the lock until the process ends.
  interrupt_waiting.store(signal_number);
  AcquireSRWLockExclusive(&interrupt_lock);
  interrupt_handler(signal_number);
  return TRUE;
}

bool standard_input_is_console(HANDLE& input) {
  input = GetStdHandle(STD_INPUT_HANDLE);
  return is_console(input);
}

}  // namespace

void prepare_console() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  original_input_code_page = GetConsoleCP();  // 0 without a console
  original_output_code_page = GetConsoleOutputCP();
  if (original_input_code_page != 0) SetConsoleCP(CP_UTF8);
  if (original_output_code_page != 0) SetConsoleOutputCP(CP_UTF8);
  if (original_input_code_page != 0 || original_output_code_page != 0) {
    static_cast<void>(std::atexit(restore_code_pages));
  }
  // The buffers live as long as the process: the streams are flushed at its very end.
  HANDLE input = nullptr;
  if (standard_input_is_console(input)) std::cin.rdbuf(new ConsoleInputBuffer(input));
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (is_console(output)) std::cout.rdbuf(new ConsoleOutputBuffer(output));
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (is_console(error)) std::cerr.rdbuf(new ConsoleOutputBuffer(error));
}

bool standard_input_is_terminal() {
  HANDLE input = nullptr;
  return standard_input_is_console(input);
}

bool standard_error_is_terminal() { return is_console(GetStdHandle(STD_ERROR_HANDLE)); }

bool console_window_is_ours_alone() {
  DWORD processes[2];
  return standard_input_is_terminal() && GetConsoleProcessList(processes, 2) == 1;
}

void wait_for_enter(std::ostream& err) {
  err << enter_to_close << std::flush;
  HANDLE console = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  // Keys pressed before the end (an extra Enter) must not close the window before the
  // user has read it.
  FlushConsoleInputBuffer(console);
  SetConsoleMode(console, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
  wchar_t line[256];
  DWORD got = 0;
  while (read_console(console, line, 256, got)) {
    if (std::wmemchr(line, L'\n', got) != nullptr || std::wmemchr(line, L'\r', got) != nullptr) break;
  }
  CloseHandle(console);
}

std::string replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  std::wstring from;
  std::wstring to;
  if (!widen(from_utf8, from) || !widen(to_utf8, to)) return "nome de ficheiro inválido";
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) return {};
  return reason(GetLastError());
}

bool open_with_default_program(const std::string& path_utf8) {
  std::wstring path;
  if (!widen(path_utf8, path)) return false;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  // ShellExecuteW answers a number above 32 when the program was started.
  const auto started = reinterpret_cast<std::intptr_t>(
      ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return started > 32;
}

bool remove_file_now(const char* path_utf8) {
  // Called from the control handler: no allocation, the name is converted on the stack.
  wchar_t wide[longest_path];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path_utf8, -1, wide, longest_path) <= 0) return false;
  return DeleteFileW(wide) != 0;
}

bool move_file_now(const char* from_utf8, const char* to_utf8) {
  wchar_t from[longest_path];
  wchar_t to[longest_path];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, from_utf8, -1, from, longest_path) <= 0 ||
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, to_utf8, -1, to, longest_path) <= 0) {
    return false;
  }
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool OutputFileBuffer::open(const std::string& path_utf8) {
  static_cast<void>(close());
  std::wstring path;
  if (!widen(path_utf8, path)) return false;
  // FILE_SHARE_DELETE: see the class. Others may read the file meanwhile, not write it.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = reinterpret_cast<std::intptr_t>(file);
  failed_ = false;
  setp(buffer_.get(), buffer_.get() + capacity);
  return true;
}

bool OutputFileBuffer::write_to_file(const char* data, std::size_t size) {
  HANDLE file = reinterpret_cast<HANDLE>(file_);
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > (1U << 30) ? (1U << 30) : static_cast<DWORD>(size);
    if (WriteFile(file, data, chunk, &written, nullptr) == 0 || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool OutputFileBuffer::close() {
  if (!is_open()) return false;
  const bool written = write_buffered();
  const bool closed = CloseHandle(reinterpret_cast<HANDLE>(file_)) != 0;
  file_ = -1;
  setp(nullptr, nullptr);
  return written && closed;
}

void hold_interrupts() { AcquireSRWLockExclusive(&interrupt_lock); }

int interrupt_held_back() { return interrupt_waiting.load(); }

void release_interrupts() { ReleaseSRWLockExclusive(&interrupt_lock); }

void on_interrupt(void (*handler)(int signal_number)) {
  interrupt_handler = handler;
  SetConsoleCtrlHandler(on_console_event, TRUE);
  // No other process sends SIGTERM on Windows; only raise() within the process does.
  static_cast<void>(std::signal(SIGTERM, handler));
}

void write_to_standard_error_now(const char* text) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  std::size_t left = std::strlen(text);
  while (left > 0) {
    DWORD written = 0;
    const DWORD chunk = left > 65536 ? 65536 : static_cast<DWORD>(left);
    if (WriteFile(error, text, chunk, &written, nullptr) == 0 || written == 0) return;
    text += written;
    left -= written;
  }
}

void end_process_now(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  ExitProcess(static_cast<UINT>(status));  // not reached: TerminateProcess ends the caller too
}

#else  // POSIX

namespace {

std::string reason(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "ficheiro ou pasta não encontrado";
    case EACCES:
    case EPERM:
      return "acesso negado";
    case EISDIR:
      return "o destino é uma pasta";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "disco cheio";
    case EXDEV:
      return "os ficheiros estão em discos diferentes";
    case EROFS:
      return "disco só de leitura";
    case EBUSY:
      return "o ficheiro está em uso";
    default:
      return "erro do sistema " + std::to_string(error);
  }
}

}  // namespace

void prepare_console() {}

bool standard_input_is_terminal() { return isatty(STDIN_FILENO) == 1; }

bool standard_error_is_terminal() { return isatty(STDERR_FILENO) == 1; }

bool console_window_is_ours_alone() { return false; }

void wait_for_enter(std::ostream& err) {
  err << enter_to_close << std::flush;
  std::cin.clear();
  std::string line;
  std::getline(std::cin, line);
}

std::string replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  if (::rename(from_utf8.c_str(), to_utf8.c_str()) == 0) return {};
  return reason(errno);
}

// Only the console window of a double-click offers to open a file, and that is Windows'.
bool open_with_default_program(const std::string& /*path_utf8*/) { return false; }

bool remove_file_now(const char* path_utf8) { return ::unlink(path_utf8) == 0; }

bool move_file_now(const char* from_utf8, const char* to_utf8) { return ::rename(from_utf8, to_utf8) == 0; }

bool OutputFileBuffer::open(const std::string& path_utf8) {
  static_cast<void>(close());
  const int file = ::open(path_utf8.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (file < 0) return false;
  file_ = file;
  failed_ = false;
  setp(buffer_.get(), buffer_.get() + capacity);
  return true;
}

bool OutputFileBuffer::write_to_file(const char* data, std::size_t size) {
  const int file = static_cast<int>(file_);
  while (size > 0) {
    const ssize_t written = ::write(file, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool OutputFileBuffer::close() {
  if (!is_open()) return false;
  const bool written = write_buffered();
  const bool closed = ::close(static_cast<int>(file_)) == 0;
  file_ = -1;
  setp(nullptr, nullptr);
  return written && closed;
}

namespace {

sigset_t interrupt_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

sigset_t mask_before_hold;

}  // namespace

void hold_interrupts() {
  const sigset_t signals = interrupt_signals();
  pthread_sigmask(SIG_BLOCK, &signals, &mask_before_hold);
}

int interrupt_held_back() {
  sigset_t pending;
  sigemptyset(&pending);
  if (sigpending(&pending) != 0) return 0;
  // One blocked before the hold (by whoever started the program) is not ours to handle.
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    if (sigismember(&pending, signal_number) == 1 && sigismember(&mask_before_hold, signal_number) != 1) {
      return signal_number;
    }
  }
  return 0;
}

void release_interrupts() { pthread_sigmask(SIG_SETMASK, &mask_before_hold, nullptr); }

void on_interrupt(void (*handler)(int signal_number)) {
  struct sigaction action {};
  action.sa_handler = handler;
  // One cleanup at a time: the other signals wait while the handler runs.
  action.sa_mask = interrupt_signals();
  action.sa_flags = 0;  // no SA_RESTART: a read waiting for an answer returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void write_to_standard_error_now(const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = ::write(STDERR_FILENO, text, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

void end_process_now(int status) { _exit(status); }

#endif

}  // namespace elipses
