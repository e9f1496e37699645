#pragma once

#include <string>

#include "framework/error_data.h"

namespace kova::test {

// Runs `work` on a clean error record of the calling thread and answers the text it left there;
// the record is clean again afterwards.
template <class Work>
std::string ErrorTextOf(Work&& work) {
  ClearThreadError();
  work();
  std::string text = ThreadError().Text;
  ClearThreadError();
  return text;
}

}  // namespace kova::test
