#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The answer of a server script: a tagged envelope
//   <cgi_status><code>C</code><format>F</format></cgi_status><cgi_data>DATA</cgi_data>
// Code 1 means data follows, 2 nothing new, 3 the request was refused; format 1 means the data
// is written in this system's own coding (EncodeNetText), 0, 2 and 3 plain.
namespace kova {

class TXNetDataFiler {
 public:
  std::string Response;
  uint8_t Code = 0;
  uint8_t Format = 0;
  std::string Data;

  // Reads Response into Code, Format and Data and empties Response. Answers true for code 1, and
  // for code 2 after recording -1 in the thread's error record (replacing any code); records 1003
  // for code 3 and 44 for an answer without a valid code, and answers false.
  bool Parse();
};

// The content of the first element `name` of the text (exact, case-sensitive tags), up to the
// first closing tag after it; empty when either tag is missing.
std::string ElementContent(std::string_view text, std::string_view name);

}  // namespace kova
