#include "ui/results_preview.h"

#include <exception>

#include "framework/error_data.h"
#include "recovery/file_item.h"
#include "recovery/formats/scan_format_registry.h"
#include "ui/results_texts.h"

namespace kova {

namespace {

// Puts the thread's error record back as it was when it goes.
class TXErrorRecordKeeper {
 public:
  TXErrorRecordKeeper() : saved_(ThreadError()) {}
  ~TXErrorRecordKeeper() { ThreadError() = saved_; }
  TXErrorRecordKeeper(const TXErrorRecordKeeper&) = delete;
  TXErrorRecordKeeper& operator=(const TXErrorRecordKeeper&) = delete;

 private:
  TXErrorData saved_;
};

}  // namespace

QString MakeQuickPreview(const TXDRFileItem& item, TXStream* medium, TXImageObject& preview) {
  preview.Clear();
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  if (!formatClass || !medium || item.Blocks().Empty()) return {};
  TXErrorRecordKeeper keeper;
  TXSize pictureSize;
  try {
    std::unique_ptr<TXDRScanFormat> format = CreateFormat(formatClass->Kind);
    format->ValidateItem(*medium, item.Blocks());
    if (!format->MakePreview(pictureSize, preview, item.Blocks(), *medium)) preview.Clear();
  } catch (const std::exception&) {
    preview.Clear();
  }
  if (preview.IsEmpty()) return {};
  return PreviewLabelText(item.Size(), item.Dimensions.IsEmpty() ? pictureSize : item.Dimensions);
}

}  // namespace kova
