// elipses: pre-analysis of the precision of a planned traverse.
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "dialogue/program_driver.hpp"

int main() {
#ifdef __GLIBC__
  // The file's text and the point lists are a few large blocks that live one pass
  // each: mapped on their own, they go back to the system when freed instead of
  // leaving the heap as large as the largest moment of every pass together.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the dialogue flushes its prompts itself
  elipses::prepare_console();  // after sync_with_stdio(false), which gives std::cin a new buffer
  elipses::remove_temporaries_on_interrupt();
  const int status =
      elipses::run_program(std::cin, std::cout, std::cerr, {}, elipses::standard_input_is_terminal());
  // A session whose console could not be written (standard output sent to a full disk)
  // did not show the user what was asked and answered: it is not a success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "elipses: nao foi possivel escrever na saida padrao" << std::endl;
  }
  // A window opened by a double-click would close before the results could be read.
  if (elipses::console_window_is_ours_alone()) elipses::wait_for_enter(std::cerr);
  return !std::cout && status == 0 ? 1 : status;
}
