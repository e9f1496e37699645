#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "online/net_engine.h"
#include "online/toc_items.h"

// Download links of news items. Their argument holds tags: "url" (the address), "file" (the
// target, text macros allowed; empty fetches into memory), "param" (form fields to post, followed
// by the locale and screen fields), "rename" (ask for the target first) and "open" (offer to open
// the file when it has arrived).
namespace kova {

struct TXDownloadArguments {
  bool Rename = false;
  bool Open = false;
  std::string Url;
  std::string File;
  std::string Param;

  static TXDownloadArguments Parse(std::string_view args);
  // 0x19 when renaming, else 0x09; with 0x20 when offering to open, else 0x04.
  uint32_t Flags() const;
  // The form fields to post: empty without "param".
  std::string PostText() const;
};

// True when the text starts with "T" or "t", false when it starts with "F" or "f"; otherwise
// true for a non-zero decimal integer. An empty text is false.
bool TagTruth(std::string_view text);

// The download that the action of the item asks for.
TXDownloadRequest MakeDownloadRequest(const TXTocItem& item, const TXTocActionItem& action,
                                      const TXNetEngine& engine);

}  // namespace kova
