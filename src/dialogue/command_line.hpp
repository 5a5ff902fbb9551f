#pragma once
// The command line: the dialogue as always, or, with a coordinate file named, every
// answer given as an option and no question asked.
#include <string>
#include <vector>

#include "dialogue/run_settings.hpp"

namespace elipses {

struct CommandLine {
  enum class Action { dialogue, answers, help, version };
  Action action = Action::dialogue;
  // Every answer for Action::answers; for the dialogue, what the options give beforehand
  // (the folder, the further results, the centring and the sets).
  RunSettings settings;
};

// The defaults of the options that have one: level 5 (95 %), scale modulus 1000, text 2.5.
inline constexpr std::int32_t default_level = 5;
inline constexpr double default_scale = 1000.0;
inline constexpr double default_text_height = 2.5;

// A command line that cannot be taken: the one-line reason, in Portuguese.
struct UsageError {
  std::string reason;
};

// Reads the arguments (without the program's name). Numbers follow the dialogue's rules
// for one value (2.5, 25E-1, 1.5D0); a value that is not wholly a number is refused.
// Throws UsageError.
CommandLine read_command_line(const std::vector<std::string>& arguments);

// The text of --help.
std::string help_text();

}  // namespace elipses
