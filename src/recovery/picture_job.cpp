#include "recovery/picture_job.h"

#include "imaging/jpeg_thumbnail.h"
#include "recovery/file_item.h"
#include "recovery/formats/scan_format.h"

namespace kova {

TXDRPictureJob::TXDRPictureJob(std::unique_ptr<TXDRScanFormat> format, const TXBlocks& blocks,
                               TXStream& medium)
    : format_(std::move(format)), blocks_(blocks), medium_(&medium) {}

TXDRPictureJob::~TXDRPictureJob() = default;

int64_t TXDRPictureJob::SourceSize() const {
  return format_->CanMakeThumbnail() ? format_->PictureSourceSize(blocks_) : 0;
}

void TXDRPictureJob::Prepare() {
  // A format without pictures succeeds with none, as MakeThumbnail does.
  made_ = !format_->CanMakeThumbnail();
  if (!made_) copied_ = format_->CopyPictureSource(blocks_, *medium_, copy_);
}

bool TXDRPictureJob::NeedsDecoding() const {
  return copied_;
}

void TXDRPictureJob::Decode(TXImageObject& image) {
  const TXErrorData before = ThreadError();
  ClearThreadError();
  made_ = format_->DecodePicture(ThumbnailBox(), size_, copy_, image);
  if (made_) CompactThumbnail(image);
  if (!made_) failure_ = ThreadError();
  SetThreadError(before.Code, before.OSError, before.Text);
  copied_ = false;
  copy_.Clear();
  copy_.Bytes().shrink_to_fit();
}

bool TXDRPictureJob::ApplyTo(TXDRFileItem& item, bool required) const {
  if (failure_.Code != kErrNone) {
    SetThreadError(failure_.Code, failure_.OSError, failure_.Text);
  } else if (!failure_.Text.empty()) {
    ThreadError().Text = failure_.Text;
  }
  if (required && !made_) return false;
  item.MarkThumbnail(made_);
  if (item.Dimensions.Width == 0 || item.Dimensions.Height == 0) item.Dimensions = size_;
  return true;
}

bool TXDRPictureJob::MakeFor(TXDRFileItem& item, bool required) {
  Prepare();
  if (NeedsDecoding()) Decode(item.Thumbnail);
  return ApplyTo(item, required);
}

}  // namespace kova
