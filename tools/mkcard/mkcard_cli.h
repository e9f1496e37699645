#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kova::mkcard {

// The mkcard command line: mkcard RECIPE IMAGE [--manifest PATH] [--samples DIR].
// Returns the process exit code: 0 done, 1 the recipe or the output failed, 2 bad usage.
int RunMkcard(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kova::mkcard
