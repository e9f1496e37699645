#include "imaging/jpeg_encoder.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <string>

namespace kova {

namespace {

// As in the decoder: error_exit jumps back into the step function that called the library, and
// only C frames of the library lie between the jump and its target.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnFatal(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

class Session {
 public:
  Session() {
    info_.err = jpeg_std_error(&errors_.base);
    errors_.base.error_exit = OnFatal;
    errors_.message[0] = 0;
  }
  ~Session() {
    if (created_) jpeg_destroy_compress(&info_);
    std::free(output_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  [[noreturn]] void Fail() const {
    throw EXInvalidGraphic(std::string("cannot encode the JPEG picture: ") + errors_.message);
  }

  bool Open(const TXBitmap32& bitmap, int quality) {
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
    for (int i = 0; i < info_.num_components; ++i) {
      info_.comp_info[i].h_samp_factor = 1;
      info_.comp_info[i].v_samp_factor = 1;
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
  ErrorManager errors_{};
  unsigned char* output_ = nullptr;
  unsigned long outputSize_ = 0;
  bool created_ = false;
};

}  // namespace

std::vector<uint8_t> EncodeJpeg(const TXBitmap32& bitmap, int quality) {
  if (bitmap.IsEmpty()) throw EXInvalidGraphic("no picture to encode as JPEG");
  Session session;
  if (!session.Open(bitmap, quality) || !session.WriteRows(bitmap)) session.Fail();
  return session.Output();
}

}  // namespace kova
