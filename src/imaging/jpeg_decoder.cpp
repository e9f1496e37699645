#include "imaging/jpeg_decoder.h"

#include <string>

#include "imaging/decode_stop.h"
#include "imaging/jpeg_errors.h"

namespace kova {

namespace {

// Warnings about damaged entropy data are tolerated (the picture shows the damage), but data that
// ends before the picture is complete fails the decode: without it a bogus header would make the
// library invent a whole picture of grey.
void OnMessage(j_common_ptr info, int level) {
  TXJpegErrors* manager = &JpegErrorsOf(info);
  if (level >= 0) return;
  info->err->num_warnings++;
  if (info->err->msg_code == JWRN_JPEG_EOF && !manager->outputComplete) {
    std::snprintf(manager->message, sizeof(manager->message),
                  "the JPEG data ends before the picture is complete");
    std::longjmp(manager->jump, 1);
  }
}

// Called by the library between pieces of its work.
void OnProgress(j_common_ptr info) {
  if (!DecodeStopRequested()) return;
  TXJpegErrors* manager = &JpegErrorsOf(info);
  std::snprintf(manager->message, sizeof(manager->message), "the decoding was stopped");
  std::longjmp(manager->jump, 1);
}

bool IsCmyk(const jpeg_decompress_struct& info) {
  return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

class Session {
 public:
  Session() {
    info_.err = UseJpegErrors(errors_);
    errors_.base.emit_message = OnMessage;
  }
  ~Session() {
    if (created_) jpeg_destroy_decompress(&info_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  jpeg_decompress_struct& Info() { return info_; }
  [[noreturn]] void Fail() const {
    throw EXInvalidGraphic(std::string("invalid JPEG picture: ") + errors_.message);
  }

  // Each step answers false after a library error.
  bool Open(std::span<const uint8_t> bytes) {
    if (setjmp(errors_.jump)) return false;
    jpeg_create_decompress(&info_);
    created_ = true;
    progress_.progress_monitor = OnProgress;
    info_.progress = &progress_;
    jpeg_mem_src(&info_, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info_, TRUE);
    return true;
  }

  bool Configure(TXJpegScale scale) {
    if (setjmp(errors_.jump)) return false;
    info_.scale_num = 1;
    info_.scale_denom = static_cast<unsigned int>(scale);
    info_.out_color_space = IsCmyk(info_) ? JCS_CMYK : JCS_EXT_BGRA;
    info_.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&info_);
    return true;
  }

  bool Start() {
    if (setjmp(errors_.jump)) return false;
    jpeg_start_decompress(&info_);
    return true;
  }

  bool ReadRows(TXBitmap32& bitmap) {
    if (setjmp(errors_.jump)) return false;
    while (info_.output_scanline < info_.output_height) {
      JSAMPROW rows[16];
      JDIMENSION first = info_.output_scanline;
      JDIMENSION count = 0;
      while (count < 16 && first + count < info_.output_height) {
        rows[count] =
            reinterpret_cast<JSAMPROW>(bitmap.Scanline(static_cast<int32_t>(first + count)));
        ++count;
      }
      jpeg_read_scanlines(&info_, rows, count);
    }
    errors_.outputComplete = true;
    return true;
  }

 private:
  jpeg_decompress_struct info_{};
  TXJpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  bool created_ = false;
};

TXJpegInfo InfoOf(const jpeg_decompress_struct& info) {
  return {static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height),
          info.num_components, info.progressive_mode != 0};
}

// Adobe writes CMYK JPEGs inverted: each byte is 255 minus the ink.
void CmykToBgra(TXBitmap32& bitmap) {
  for (TXColor& pixel : bitmap.Pixels()) {
    uint32_t c = BlueOf(pixel), m = GreenOf(pixel), y = RedOf(pixel), k = AlphaOf(pixel);
    pixel = MakeColor(static_cast<uint8_t>((c * k + 127) / 255),
                      static_cast<uint8_t>((m * k + 127) / 255),
                      static_cast<uint8_t>((y * k + 127) / 255));
  }
}

}  // namespace

TXSize ScaledJpegSize(int32_t width, int32_t height, TXJpegScale scale) {
  int32_t d = static_cast<int32_t>(scale);
  return {(width + d - 1) / d, (height + d - 1) / d};
}

TXJpegInfo ReadJpegInfo(std::span<const uint8_t> bytes) {
  Session session;
  if (!session.Open(bytes)) session.Fail();
  return InfoOf(session.Info());
}

TXJpegInfo DecodeJpeg(std::span<const uint8_t> bytes,
                      const std::function<TXJpegScale(const TXJpegInfo&)>& chooseScale,
                      TXBitmap32& bitmap) {
  Session session;
  if (!session.Open(bytes)) session.Fail();
  jpeg_decompress_struct& info = session.Info();
  TXJpegInfo header = InfoOf(info);
  if (int64_t{header.Width} * header.Height > 4 * TXBitmap32::MaxPixels) {
    throw EXInvalidGraphic("the JPEG picture is too large");
  }
  if (!session.Configure(chooseScale(header))) session.Fail();
  if (info.output_components != 4) throw EXInvalidGraphic("unsupported JPEG colour layout");
  TXCanvasLock hold(bitmap.Canvas());
  bitmap.SetSize(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height));
  bitmap.SetAlphaFormat(TXAlphaFormat::afIgnored);
  if (!session.Start() || !session.ReadRows(bitmap)) session.Fail();
  if (IsCmyk(info)) CmykToBgra(bitmap);
  return header;
}

TXJpegInfo DecodeJpeg(std::span<const uint8_t> bytes, TXJpegScale scale, TXBitmap32& bitmap) {
  return DecodeJpeg(
      bytes, [scale](const TXJpegInfo&) { return scale; }, bitmap);
}

}  // namespace kova
