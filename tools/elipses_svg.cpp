// elipses-svg: the picture of a drawing script of elipses, for surveyors without CAD.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "pictures/picture_tool.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return elipses::pictures::run_picture_tool(arguments, std::cout, std::cerr, std::filesystem::current_path());
}
