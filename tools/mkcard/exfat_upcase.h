#pragma once

#include <cstdint>

#include "byte_order.h"

// The up-case table the exFAT volumes of mkcard carry. It maps the lower-case letters of ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic to their capitals and every other character to
// itself; names are compared and hashed through it.
namespace kova::mkcard {

char16_t ExfatUpcase(char16_t c);

// The table as stored: one 16-bit capital per character from U+0000, runs of characters that map
// to themselves written as 0xFFFF and the run's length.
Bytes ExfatUpcaseTable();

// The rotating 32-bit sum that exFAT keeps of its up-case table and its boot region.
uint32_t ExfatRotatingSum(uint32_t sum, uint8_t byte);

}  // namespace kova::mkcard
