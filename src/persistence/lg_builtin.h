#pragma once

#include <cstdint>

#include "persistence/stream_box.h"

// The built-in English language ("TLGDATA"): compiled from resources/lang/en at build time and
// linked into every program through the kova_lgdata library, which defines these functions.
namespace kova {

// The stream box "lgStream" whose data object holds the language container (data class ".xlg").
TXStreamBox& BuiltInLanguageData();

// Registers the built-in language with the process-wide selector (once) and selects the language
// with the remembered identifier, or the first offered one. Answers whether a language is
// installed; afterwards Lg() answers English texts.
bool UseBuiltInLanguage(uint32_t rememberedLgID = 0);

}  // namespace kova
