#include "imaging/jpeg_encoder.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "imaging/jpeg_errors.h"

namespace kova {

namespace {

class Session {
 public:
  Session() { info_.err = UseJpegErrors(errors_); }
  ~Session() {
    if (created_) jpeg_destroy_compress(&info_);
    std::free(output_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  [[noreturn]] void Fail() const {
    throw EXInvalidGraphic(std::string("cannot encode the JPEG picture: ") + errors_.message);
  }

  bool Open(const TXBitmap32& bitmap, int quality, TXJpegChroma chroma) {
    if (setjmp(errors_.jump)) return false;
    jpeg_create_compress(&info_);
    created_ = true;
    jpeg_mem_dest(&info_, &output_, &outputSize_);
    info_.image_width = static_cast<JDIMENSION>(bitmap.Width());
    info_.image_height = static_cast<JDIMENSION>(bitmap.Height());
    info_.input_components = 4;
    info_.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, std::clamp(quality, 1, 100), TRUE);
    // The defaults sample the luma twice as finely as the colours; full chroma samples all alike.
    if (chroma == TXJpegChroma::jcFull) {
      info_.comp_info[0].h_samp_factor = 1;
      info_.comp_info[0].v_samp_factor = 1;
    }
    info_.dct_method = JDCT_ISLOW;
    return true;
  }

  bool WriteRows(const TXBitmap32& bitmap) {
    if (setjmp(errors_.jump)) return false;
    jpeg_start_compress(&info_, TRUE);
    while (info_.next_scanline < info_.image_height) {
      // libjpeg takes rows as non-const pointers but only reads them.
      auto* row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(
          bitmap.Scanline(static_cast<int32_t>(info_.next_scanline))));
      jpeg_write_scanlines(&info_, &row, 1);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

  std::vector<uint8_t> Output() const { return {output_, output_ + outputSize_}; }

 private:
  jpeg_compress_struct info_{};
  TXJpegErrors errors_{};
  unsigned char* output_ = nullptr;
  unsigned long outputSize_ = 0;
  bool created_ = false;
};

}  // namespace

std::vector<uint8_t> EncodeJpeg(const TXBitmap32& bitmap, int quality, TXJpegChroma chroma) {
  if (bitmap.IsEmpty()) throw EXInvalidGraphic("no picture to encode as JPEG");
  Session session;
  if (!session.Open(bitmap, quality, chroma) || !session.WriteRows(bitmap)) session.Fail();
  return session.Output();
}

}  // namespace kova
