#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// Turning the bytes of documents into text: Windows code pages for RTF's 8-bit characters, and
// the encodings plain text files come in.
namespace kova {

// The Windows code page 1252, which every RTF document without another code page uses.
inline constexpr int kWindowsLatin1CodePage = 1252;

// Decodes bytes of a Windows code page. 1252 is built in; other single- and double-byte code
// pages go through Qt's converters and fall back to 1252 when Qt does not know them.
QString DecodeCodePage(QByteArrayView bytes, int codePage);

// The code page of an RTF character set number (\fcharset), or 0 when the set has none (the
// symbol set) or is unknown.
int CodePageOfCharset(int charset);

// Reads plain text: a byte order mark chooses UTF-16 LE, UTF-16 BE or UTF-8; without one, text
// that is valid UTF-8 is read as UTF-8 and anything else as Windows-1252. Nothing when the bytes
// are not text: a damaged encoding, or control characters other than tab, line feed, form feed
// and carriage return (binary data).
std::optional<QString> DecodePlainText(QByteArrayView bytes);

}  // namespace kova
