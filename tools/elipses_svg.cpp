// elipses-svg: the picture of a drawing script of elipses, for surveyors without CAD.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "dialogue/platform.hpp"
#include "pictures/picture_tool.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const int status =
      elipses::pictures::run_picture_tool(arguments, std::cout, std::cerr, std::filesystem::current_path());
  // A window opened by a double-click would close before its message could be read.
  if (elipses::console_window_is_ours_alone()) {
    std::cout.flush();
    elipses::wait_for_enter(std::cerr);
  }
  return status;
}
