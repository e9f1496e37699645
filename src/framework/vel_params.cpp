#include "framework/vel_params.h"

#include <fstream>
#include <iterator>

#include "framework/text_utils.h"

namespace kova {

namespace {

// The arguments as the kernel keeps them: NUL-terminated strings one after the other.
std::vector<std::string> ProcessArguments() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\0', start);
    if (end == std::string::npos) end = content.size();
    arguments.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

}  // namespace

TXVelParams::TXVelParams() : items_(ProcessArguments()) {}

int TXVelParams::IndexOf(std::string_view aSwitch) const {
  const bool prefix = aSwitch.find(':') != std::string_view::npos;
  for (size_t i = 0; i < items_.size(); ++i) {
    std::string_view item = items_[i];
    if (prefix && item.size() >= aSwitch.size()) item = item.substr(0, aSwitch.size());
    if (SameText(item, aSwitch)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace kova
