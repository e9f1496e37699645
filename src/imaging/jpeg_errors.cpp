#include "imaging/jpeg_errors.h"

namespace kova {

namespace {

void OnFatal(j_common_ptr info) {
  TXJpegErrors& errors = JpegErrorsOf(info);
  (*info->err->format_message)(info, errors.message);
  std::longjmp(errors.jump, 1);
}

}  // namespace

jpeg_error_mgr* UseJpegErrors(TXJpegErrors& errors) {
  jpeg_error_mgr* manager = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnFatal;
  errors.message[0] = 0;
  errors.outputComplete = false;
  return manager;
}

}  // namespace kova
