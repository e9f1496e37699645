#include "ui/results_texts.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

#include "framework/text_utils.h"
#include "imaging/jpeg_thumbnail.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"
#include "ui/lg_text.h"

namespace kova {

namespace {

constexpr const char* kGroupHeaders[] = {"Image file types", "Video file types",
                                         "Audio file types"};
constexpr int64_t kMillisecondsPerDay = 86400000;
// By TXDRFileOrigin.
constexpr uint32_t kOriginTexts[] = {lg::kOriginLive, lg::kOriginDeleted, lg::kOriginLostFolder,
                                     lg::kOriginSearch};
constexpr uint32_t kOriginHints[] = {lg::kOriginLiveHint, lg::kOriginDeletedHint,
                                     lg::kOriginLostFolderHint, lg::kOriginSearchHint};

// The locale's long time format without its time-zone field.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString result;
  bool quoted = false;
  for (QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (quoted || c != u't') result += c;
  }
  return result.trimmed();
}

}  // namespace

QString DimensionsText(TXSize dimensions) {
  if (dimensions.IsEmpty()) return {};
  return QStringLiteral("%1 x %2").arg(dimensions.Width).arg(dimensions.Height);
}

QString SizeText(int64_t size) {
  return QString::fromStdString(FormatByteSize(size));
}

QString TypeText(std::string_view ext) {
  return QString::fromStdString(LowerCase(ext));
}

QString CreatedText(double created) {
  // Ten thousand years either way hold every date a card can carry.
  if (created == 0 || !std::isfinite(created) || std::fabs(created) > 3.65e6)
    return LgText(lg::kUnknownDate);
  const auto milliseconds = static_cast<int64_t>(std::llround(created * kMillisecondsPerDay));
  const int64_t days = milliseconds >= 0
                           ? milliseconds / kMillisecondsPerDay
                           : -((-milliseconds + kMillisecondsPerDay - 1) / kMillisecondsPerDay);
  const QDate date = QDate(1899, 12, 30).addDays(days);
  const QTime time =
      QTime::fromMSecsSinceStartOfDay(static_cast<int>(milliseconds - days * kMillisecondsPerDay));
  const QLocale locale;
  return locale.toString(date, QLocale::ShortFormat) + u' ' +
         locale.toString(time, LongTimeFormatWithoutZone(locale));
}

QString OriginText(TXDRFileOrigin origin, bool damaged) {
  const QString text = LgText(kOriginTexts[static_cast<size_t>(origin)]);
  return damaged ? text + QStringLiteral(", ") + LgText(lg::kMayBeDamaged) : text;
}

QString OriginHint(TXDRFileOrigin origin, bool damaged) {
  const QString hint = LgText(kOriginHints[static_cast<size_t>(origin)]);
  return damaged ? hint + u'\n' + LgText(lg::kMayBeDamagedHint) : hint;
}

QString UnreadableHint(int64_t bytes) {
  return QString::fromStdString(Lg().Format(lg::kUnreadableHint, {FormatByteSize(bytes)}));
}

QString GroupHeaderText(int group) {
  return QString::fromLatin1(kGroupHeaders[group]);
}

QString PreviewLabelText(int64_t size, TXSize dimensions) {
  const std::string sizeText = FormatByteSize(size);
  if (dimensions.IsEmpty())
    return QString::fromStdString(Lg().Format(lg::kPreviewLabel, {sizeText}));
  const std::string picture = DimensionsText(dimensions).toStdString();
  return QString::fromStdString(Lg().Format(lg::kPreviewLabelWithDimensions, {sizeText, picture}));
}

QString PreviewTitleText() {
  const std::string bound =
      std::to_string(kPreviewBox.Width) + "x" + std::to_string(kPreviewBox.Height);
  return LgText(lg::kPreviewTitle) + QStringLiteral(" (") +
         QString::fromStdString(Lg().Format(lg::kPreviewBound, {bound})) + u')';
}

}  // namespace kova
