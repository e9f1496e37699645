#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// Loading a help document or any other text document for a rich-text view.
namespace kova {

// The message of a document that is neither RTF nor readable plain text.
inline constexpr char kFailedToLoadStream[] = "Failed to Load Stream";

struct TXRichText {
  QString Text;
  bool IsHtml = false;  // Qt rich text made from RTF; otherwise plain text
};

// RTF as Qt rich text; nothing when the bytes are not RTF.
std::optional<QString> RtfToHtml(QByteArrayView bytes);

// The bytes as RTF when they are RTF, else as plain text (DecodePlainText); nothing when they
// are neither. No bytes give an empty plain text.
std::optional<TXRichText> LoadRichText(QByteArrayView bytes);

}  // namespace kova
