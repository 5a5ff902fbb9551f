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

// What an interrupt undoes, in storage a signal handler (on Windows, the console's
// control handler on its own thread) may read. A slot is filled and changed only while
// interrupts are held back, so the handler finds it either before or after a change.
enum SlotState : int {
  slot_free = 0,
  slot_temporary = 1,        // being written: remove the temporary
  slot_over_earlier = 2,     // swapped in, the earlier file set aside: move that one back
  slot_new_in_place = 3,     // swapped in where there was none: remove it
};
constexpr int slot_count = 16;
constexpr std::size_t longest_path = 4096;
constexpr char set_aside_ending[] = ".anterior";
struct Slot {
  char temporary[longest_path];
  char final_path[longest_path];
  char earlier[longest_path];  // where the earlier file is set aside during the swap
  volatile std::sig_atomic_t state;
};
Slot slots[slot_count];

std::string set_aside_path(const std::string& temporary_path) { return temporary_path + set_aside_ending; }

// Called with interrupts held back.
int take_slot(const std::string& temporary_path, const std::string& final_path) {
  const std::string earlier = set_aside_path(temporary_path);
  if (earlier.size() >= longest_path || final_path.size() >= longest_path) return -1;
  for (int i = 0; i < slot_count; ++i) {
    if (slots[i].state == slot_free) {
      std::memcpy(slots[i].temporary, temporary_path.c_str(), temporary_path.size() + 1);
      std::memcpy(slots[i].final_path, final_path.c_str(), final_path.size() + 1);
      std::memcpy(slots[i].earlier, earlier.c_str(), earlier.size() + 1);
      slots[i].state = slot_temporary;
      return i;
    }
  }
  return -1;
}

void set_slot(int slot, SlotState state) {
  if (slot >= 0) slots[slot].state = state;
}

// Interrupts held back for as long as it lives.
struct InterruptsHeld {
  InterruptsHeld() { hold_interrupts(); }
  ~InterruptsHeld() { release_interrupts(); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

// At a terminal the interrupt's line starts on a line of its own, after the prompt and
// the ^C the terminal shows; a captured error stream gets the one line alone.
volatile std::sig_atomic_t errors_on_terminal = 0;

// Puts the folder back as it was before the run and ends it. Never while a slot changes:
// interrupts are held back meanwhile, or the swap's end calls it itself.
void interrupted(int signal_number) {
  bool undone = false;
  for (Slot& slot : slots) {
    switch (slot.state) {
      case slot_temporary:
        undone = remove_file_now(slot.temporary) || undone;
        break;
      case slot_over_earlier:
        undone = move_file_now(slot.earlier, slot.final_path) || undone;
        break;
      case slot_new_in_place:
        undone = remove_file_now(slot.final_path) || undone;
        break;
      default:
        break;
    }
  }
  if (errors_on_terminal != 0) write_to_standard_error_now("\n");
  write_to_standard_error_now(undone ? "elipses: interrompido; os ficheiros de resultados anteriores ficam como estavam\n"
                                     : "elipses: interrompido\n");
  end_process_now(128 + signal_number);
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
  const InterruptsHeld held;
  for (const auto& file : files_) {
    static_cast<void>(file->buffer.close());
    if (!file->temporary_path.empty()) remove_file_now(file->temporary_path.c_str());
    set_slot(file->slot, slot_free);
  }
}

std::ostream& OutputFiles::create(const std::string& name) {
  auto file = std::make_unique<File>();
  file->name = name;
  file->final_path = joined(directory_, name);
  file->temporary_path = joined(directory_, "." + name + "." + std::to_string(ELIPSES_PROCESS_ID) + ".tmp");
  // The slot and the file come together: an interrupt finds both or neither.
  const InterruptsHeld held;
  file->slot = take_slot(file->temporary_path, file->final_path);
  if (!file->buffer.open(file->temporary_path)) {
    set_slot(file->slot, slot_free);
    throw OutputError("não foi possível criar o ficheiro \"" + file->final_path + "\"");
  }
  files_.push_back(std::move(file));
  return files_.back()->stream;
}

void OutputFiles::finish() {
  // Every file complete before any is moved: a full disk shows here, not halfway.
  for (const auto& file : files_) {
    const bool written = !file->stream.fail();
    if (!file->buffer.close() || !written) {
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
  // An interrupt waits for the swap to end, whichever way: after a failed one it finds the
  // temporaries to remove, after a whole one the swap to undo.
  const InterruptsHeld held;
  std::vector<std::pair<std::string, std::string>> set_aside;  // final path, its earlier file
  std::vector<bool> had_earlier(files_.size(), false);
  const auto restore = [&] {
    for (const auto& [final_path, earlier] : set_aside) move_(earlier, final_path);
  };
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const auto& file = files_[i];
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::u8path(file->final_path), error)) continue;
    const std::string earlier = set_aside_path(file->temporary_path);
    const std::string reason = move_(file->final_path, earlier);
    if (!reason.empty()) {
      restore();
      throw OutputError("não foi possível substituir o ficheiro \"" + file->final_path + "\" (em uso?): " + reason);
    }
    set_aside.emplace_back(file->final_path, earlier);
    had_earlier[i] = true;
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
  for (std::size_t i = 0; i < files_.size(); ++i) {
    set_slot(files_[i]->slot, had_earlier[i] ? slot_over_earlier : slot_new_in_place);
  }
  // The user asked to stop before the new results were kept: the folder goes back to how
  // the run found it.
  if (const int signal_number = interrupt_held_back(); signal_number != 0) interrupted(signal_number);
  for (const auto& file : files_) {
    set_slot(file->slot, slot_free);
    file->slot = -1;
    file->temporary_path.clear();
  }
  for (const auto& [final_path, earlier] : set_aside) remove_file_now(earlier.c_str());
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
