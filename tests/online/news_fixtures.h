#pragma once

#include <QColor>
#include <cstdint>
#include <string>
#include <vector>

#include "online/toc_items.h"

namespace kova::test {

// A PNG picture of one colour.
std::vector<uint8_t> PngBytes(int width, int height, QColor colour);

// Appends a news item with an English caption and body (plain text in RTF).
TXTocItem& AddNewsItem(TXTocCollection& items, const std::string& name, double date,
                       const std::string& group, const std::string& caption,
                       const std::string& body = {});
// Appends an action to an item.
TXTocActionItem& AddAction(TXTocItem& item, const std::string& name, components::TXHitType hit,
                           const std::string& caption, const std::string& argument = {});

// The news script's answer holding the items: code 1, the given format (1 codes the data).
std::string NewsAnswer(TXTocCollection& items, int format = 0);
// The server list script's answer naming the domains.
std::string ServerListAnswer(const std::vector<std::string>& domains);
// An answer with only a status code.
std::string StatusAnswer(int code);

// A date as days since 1899-12-30.
double Date(int year, int month, int day);

}  // namespace kova::test
