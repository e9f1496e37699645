#pragma once

#include <string>
#include <utility>

namespace kova::mkcard {

// The outcome of a card operation: success, or a message that says what was refused and why.
// A refused operation leaves the card as it was.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Failure(std::string message) { return Status(std::move(message)); }

  bool ok() const { return message_.empty(); }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return message_; }

 private:
  explicit Status(std::string message) : message_(std::move(message)) {
    if (message_.empty()) message_ = "failed";
  }
  std::string message_;
};

}  // namespace kova::mkcard
