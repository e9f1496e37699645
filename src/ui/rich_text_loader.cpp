#include "ui/rich_text_loader.h"

#include "ui/rtf_html_writer.h"
#include "ui/rtf_parser.h"
#include "ui/text_decoding.h"

namespace kova {

std::optional<QString> RtfToHtml(QByteArrayView bytes) {
  std::optional<TXRtfDocument> document = ParseRtf(bytes);
  if (!document) return std::nullopt;
  return RtfToQtHtml(*document);
}

std::optional<TXRichText> LoadRichText(QByteArrayView bytes) {
  if (std::optional<QString> html = RtfToHtml(bytes)) return TXRichText{std::move(*html), true};
  if (std::optional<QString> text = DecodePlainText(bytes))
    return TXRichText{std::move(*text), false};
  return std::nullopt;
}

}  // namespace kova
