#include <iostream>

#include "mkcard_cli.h"

int main(int argc, char** argv) {
  return kova::mkcard::RunMkcard(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                 std::cerr);
}
