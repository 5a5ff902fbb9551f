// elipses: pre-analysis of the precision of a planned traverse.
#include <iostream>
#include <string>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "dialogue/command_line.hpp"
#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "dialogue/program_driver.hpp"

namespace {

int run(const std::vector<std::string>& arguments) {
  elipses::CommandLine line;
  try {
    line = elipses::read_command_line(arguments);
  } catch (const elipses::UsageError& error) {
    std::cerr << "elipses: " << error.reason << "; veja \"elipses --help\"" << std::endl;
    return 2;
  }
  switch (line.action) {
    case elipses::CommandLine::Action::help:
      std::cout << elipses::help_text();
      return 0;
    case elipses::CommandLine::Action::version:
      std::cout << "elipses " << ELIPSES_VERSION << '\n';
      return 0;
    case elipses::CommandLine::Action::answers:
      elipses::remove_temporaries_on_interrupt();
      return elipses::run_with_answers(line.settings, std::cerr);
    case elipses::CommandLine::Action::dialogue:
      break;
  }
  elipses::remove_temporaries_on_interrupt();
  const int status =
      elipses::run_program(std::cin, std::cout, std::cerr, line.settings, elipses::standard_input_is_terminal());
  // A window opened by a double-click would close before the results could be read.
  if (elipses::console_window_is_ours_alone()) {
    std::cout.flush();
    elipses::wait_for_enter(std::cerr);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // The file's text and the point lists are a few large blocks that live one pass
  // each: mapped on their own, they go back to the system when freed instead of
  // leaving the heap as large as the largest moment of every pass together.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);  // NOLINT(concurrency-mt-unsafe): one thread, before any other work
#endif
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);       // the dialogue flushes its prompts itself
  elipses::prepare_console();  // after sync_with_stdio(false), which gives std::cin a new buffer
  const int status = run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  // A session whose console could not be written (standard output sent to a full disk)
  // did not show the user what was asked and answered: it is not a success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "elipses: não foi possível escrever na saída padrão" << std::endl;
    return status == 0 ? 1 : status;
  }
  return status;
}
