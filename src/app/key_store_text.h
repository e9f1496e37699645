#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/key_store.h"

// The text form of a key store, as the settings file holds it:
//
//   ; comment
//   [Software\Velmora\Kova7]
//   ShowThumbnails=True
//   [Software\Velmora\Kova7\FileTypes]
//   _jpg=True
//
// A header names a key by its path; the "name=value" lines below it are its values, in order.
// Characters that would break a line or its structure are written as "%" and two hexadecimal
// digits: "%" itself and control characters everywhere, "=", "[", ";" and "#" in value names,
// "]" and "\" in key names.
namespace kova {

std::string KeyStoreToText(const TXKeyStore& store);

// What reading a text found wrong: one line per problem, "line N: what".
struct TXKeyStoreTextProblems {
  std::vector<std::string> Lines;
  bool Empty() const { return Lines.empty(); }
};

// Reads the text into the store (emptied first). Lines that cannot be read are skipped and
// reported; everything else is taken.
TXKeyStoreTextProblems KeyStoreFromText(TXKeyStore& store, std::string_view text);

}  // namespace kova
