#pragma once

#include <string>
#include <vector>

#include "lg_source.h"
#include "persistence/stream_box.h"

// Compiles language sources: the words and documents become a language project, the project a
// language container, the container the compressed data object of the stream box "lgStream",
// and the box's object XML the C++ source that embeds the language in the program.
namespace kova::lgc {

// The words text of the project: "IDENTIFIER=CODED" lines, CR LF between them.
std::string WordsText(const std::vector<TXSourceWord>& words);

// The language container; false with the reason in the thread's error record.
bool BuildContainer(const TXLanguageSource& source, std::vector<uint8_t>& container);

// The stream box holding the container as compressed data (".xlg", version "0.0.0.0").
void FillStreamBox(TXStreamBox& box, const std::vector<uint8_t>& container, double timeStamp);

// C++ source defining kova::lgdata::kTlgDataXml (the box's object XML) and its size.
std::string EmbeddingSource(const std::string& objectXml);

}  // namespace kova::lgc
