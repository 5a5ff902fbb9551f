// elipses: pre-analysis of the precision of a planned traverse.
#include <iostream>

#include "dialogue/program_driver.hpp"

int main() {
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the dialogue flushes its prompts itself
  return elipses::run_program(std::cin, std::cout, std::cerr);
}
