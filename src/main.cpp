// elipses: pre-analysis of the precision of a planned traverse.
#include <iostream>

#include "dialogue/output_files.hpp"
#include "dialogue/platform.hpp"
#include "dialogue/program_driver.hpp"

int main() {
  elipses::prepare_console();
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the dialogue flushes its prompts itself
  elipses::remove_temporaries_on_interrupt();
  const int status =
      elipses::run_program(std::cin, std::cout, std::cerr, {}, elipses::standard_input_is_terminal());
  // A session whose console could not be written (standard output sent to a full disk)
  // did not show the user what was asked and answered: it is not a success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "elipses: nao foi possivel escrever na saida padrao" << std::endl;
    return status != 0 ? status : 1;
  }
  return status;
}
