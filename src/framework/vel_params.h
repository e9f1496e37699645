#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/managed_object.h"

namespace kova {

// The command-line arguments of the process, index 0 being the program as it was started.
class TXVelParams : public TXInitializableObject {
 public:
  // The arguments of this process.
  TXVelParams();
  explicit TXVelParams(std::vector<std::string> items) : items_(std::move(items)) {}

  const std::vector<std::string>& Items() const { return items_; }
  // The index of the first matching argument, or -1. A switch containing ":" matches an argument
  // that begins with it, any other switch an equal argument; both ignore case.
  int IndexOf(std::string_view aSwitch) const;
  bool HasSwitch(std::string_view aSwitch) const { return IndexOf(aSwitch) >= 0; }

 private:
  std::vector<std::string> items_;
};

}  // namespace kova
