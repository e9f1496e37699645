#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "status.h"

// FAT 8.3 short names in an OEM code page: checking given ones, and making the alias of a long
// name as Windows and Linux do ("Holiday photo.jpg" -> "HOLIDA~1.JPG").
namespace kova::mkcard {

using ShortNameBytes = std::array<uint8_t, 11>;

// The name field of a given short name such as "IMG_0001.JPG" or "GRÖSSE.JPG" (UTF-8, upper
// case, characters of the code page), or a failure that says which rule the name breaks. A
// first byte of 0xE5 is stored as 0x05, as FAT does, so that it is not taken for a deletion.
Status ShortNameField(std::string_view name, uint16_t code_page, ShortNameBytes* field);

// The alias of `long_name`: upper case, in the code page (other characters become "_"), without
// blanks and leading dots, 8 + 3 characters; with a "~N" tail (the lowest free N) when the long
// name does not fit 8.3 as it is or loses characters, or when the plain form is `taken`.
Status AliasOf(std::string_view long_name, uint16_t code_page,
               const std::function<bool(const ShortNameBytes&)>& taken, ShortNameBytes* field);

// The name field as text ("GRÖßEC~1.JPG"), decoded with the code page.
std::string ShortNameText(const ShortNameBytes& field, uint16_t code_page);

}  // namespace kova::mkcard
