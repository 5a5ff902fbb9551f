// elipses: pre-analysis of the precision of a planned traverse.
#include <iostream>

#include "dialogue/program_driver.hpp"

int main() {
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the dialogue flushes its prompts itself
  const int status = elipses::run_program(std::cin, std::cout, std::cerr);
  // A session whose console could not be written (standard output sent to a full disk)
  // did not show the user what was asked and answered: it is not a success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "elipses: nao foi possivel escrever na saida padrao" << std::endl;
    return status != 0 ? status : 1;
  }
  return status;
}
