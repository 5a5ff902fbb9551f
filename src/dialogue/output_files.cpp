#include "dialogue/output_files.hpp"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "dialogue/platform.hpp"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#define ELIPSES_PROCESS_ID _getpid()
#define ELIPSES_ERRORS_ON_TERMINAL (_isatty(2) != 0)
#else
#include <unistd.h>
#define ELIPSES_PROCESS_ID getpid()
#define ELIPSES_ERRORS_ON_TERMINAL (isatty(STDERR_FILENO) == 1)
#endif

namespace elipses {

namespace {

// The temporaries an interrupt must remove, in storage a signal handler may read: a
// path is written whole before its slot counts, and a slot is emptied before its file
// is moved into place.
constexpr int slot_count = 16;
constexpr std::size_t longest_path = 4096;
char temporary_paths[slot_count][longest_path];
volatile std::sig_atomic_t slot_in_use[slot_count];

int take_slot(const std::string& path) {
  if (path.size() >= longest_path) return -1;
  for (int i = 0; i < slot_count; ++i) {
    if (slot_in_use[i] == 0) {
      std::memcpy(temporary_paths[i], path.c_str(), path.size() + 1);
      slot_in_use[i] = 1;
      return i;
    }
  }
  return -1;
}

void free_slot(int slot) {
  if (slot >= 0) slot_in_use[slot] = 0;
}

// While the finished files are being put in place, an interrupt waits for the swap to
// end (whichever way), so that the results are never left half old and half new.
volatile std::sig_atomic_t swapping = 0;
// At a terminal the interrupt's line starts on a line of its own, after the prompt and
// the ^C the terminal shows; a captured error stream gets the one line alone.
volatile std::sig_atomic_t errors_on_terminal = 0;
volatile std::sig_atomic_t interrupt_while_swapping = 0;

void interrupted(int signal_number) {
  if (swapping != 0) {
    interrupt_while_swapping = signal_number;
    return;
  }
  bool removed = false;
  for (int i = 0; i < slot_count; ++i) {
    if (slot_in_use[i] != 0) {
      remove_file_now(temporary_paths[i]);
      removed = true;
    }
  }
  if (errors_on_terminal != 0) write_to_standard_error_now("\n");
  write_to_standard_error_now(removed ? "elipses: interrompido; os ficheiros de resultados anteriores ficam como estavam\n"
                                      : "elipses: interrompido\n");
  end_process_now(128 + signal_number);
}

// Ends the swap; an interrupt that came during it now ends the run.
void end_swap() {
  swapping = 0;
  if (interrupt_while_swapping != 0) interrupted(interrupt_while_swapping);
}

std::string joined(const std::string& directory, const std::string& name) {
  return directory.empty() || directory == "." ? name : (std::filesystem::u8path(directory) / name).u8string();
}

}  // namespace

void remove_temporaries_on_interrupt() {
  errors_on_terminal = ELIPSES_ERRORS_ON_TERMINAL ? 1 : 0;
  on_interrupt(interrupted);
}

OutputFiles::OutputFiles(std::string directory, MoveFile move)
    : directory_(std::move(directory)), move_(move != nullptr ? move : replace_file) {
  if (directory_.empty() || directory_ == ".") return;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::u8path(directory_);
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw OutputError("não foi possível criar a pasta de resultados \"" + directory_ + "\"");
  }
}

OutputFiles::~OutputFiles() {
  for (const auto& file : files_) {
    if (file->stream.is_open()) file->stream.close();
    if (!file->temporary_path.empty()) remove_file_now(file->temporary_path.c_str());
    free_slot(file->slot);
  }
}

std::ostream& OutputFiles::create(const std::string& name) {
  auto file = std::make_unique<File>();
  file->name = name;
  file->final_path = joined(directory_, name);
  file->temporary_path = joined(directory_, "." + name + "." + std::to_string(ELIPSES_PROCESS_ID) + ".tmp");
  file->slot = take_slot(file->temporary_path);
  file->stream.open(std::filesystem::u8path(file->temporary_path), std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file->stream.is_open()) {
    free_slot(file->slot);
    throw OutputError("não foi possível criar o ficheiro \"" + file->final_path + "\"");
  }
  files_.push_back(std::move(file));
  return files_.back()->stream;
}

void OutputFiles::finish() {
  // Every file complete before any is moved: a full disk shows here, not halfway.
  for (const auto& file : files_) {
    file->stream.close();
    if (file->stream.fail()) {
      throw OutputError("não foi possível escrever completamente o ficheiro \"" + file->final_path + "\"");
    }
  }
  // A folder in a file's place cannot be replaced: found before any file moves, so
  // the results stay together.
  for (const auto& file : files_) {
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::u8path(file->final_path), error)) {
      throw OutputError("não foi possível colocar o ficheiro \"" + file->final_path +
                        "\": existe uma pasta com esse nome");
    }
  }
  // The earlier files are set aside, the new ones moved in, and the earlier ones let go
  // only when every new one is in place; if any step fails, what was set aside comes back.
  swapping = 1;
  std::vector<std::pair<std::string, std::string>> set_aside;  // final path, its earlier file
  const auto restore = [&] {
    for (const auto& [final_path, earlier] : set_aside) move_(earlier, final_path);
  };
  try {
    for (const auto& file : files_) {
      std::error_code error;
      if (!std::filesystem::exists(std::filesystem::u8path(file->final_path), error)) continue;
      const std::string earlier = file->temporary_path + ".anterior";
      const std::string reason = move_(file->final_path, earlier);
      if (!reason.empty()) {
        restore();
        throw OutputError("não foi possível substituir o ficheiro \"" + file->final_path + "\" (em uso?): " + reason);
      }
      set_aside.emplace_back(file->final_path, earlier);
    }
    for (std::size_t moved = 0; moved < files_.size(); ++moved) {
      const auto& file = files_[moved];
      const std::string reason = move_(file->temporary_path, file->final_path);
      if (!reason.empty()) {
        for (std::size_t k = 0; k < moved; ++k) {
          remove_file_now(files_[k]->final_path.c_str());
          files_[k]->temporary_path.clear();
        }
        restore();
        throw OutputError("não foi possível colocar o ficheiro \"" + file->final_path + "\" no lugar do anterior: " +
                          reason);
      }
    }
  } catch (...) {
    end_swap();
    throw;
  }
  for (const auto& file : files_) {
    free_slot(file->slot);
    file->slot = -1;
    file->temporary_path.clear();
  }
  for (const auto& [final_path, earlier] : set_aside) remove_file_now(earlier.c_str());
  end_swap();
}

std::string OutputFiles::directory_for_messages() const {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(std::filesystem::u8path(directory_), error);
  std::string shown = error ? directory_ : folder.lexically_normal().u8string();
  while (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) shown.pop_back();
  return shown;
}

std::vector<std::string> OutputFiles::names() const {
  std::vector<std::string> names;
  for (const auto& file : files_) names.push_back(file->name);
  return names;
}

}  // namespace elipses
