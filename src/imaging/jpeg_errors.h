#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>

namespace kova {

// The error manager of the JPEG decoder and encoder. libjpeg reports fatal errors through
// error_exit, which must not return: it formats the message and jumps back into the step function
// that called the library (each step sets `jump`); those functions hold no objects with
// destructors, and only C frames of the library lie between the jump and its target.
struct TXJpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool outputComplete;  // decoding: after the last row the missing end marker no longer matters
};

// Sets the library's defaults with fatal errors jumping as above, and an empty message; answers
// the manager for the `err` field of a compress or decompress struct.
jpeg_error_mgr* UseJpegErrors(TXJpegErrors& errors);

// The manager of a struct whose `err` UseJpegErrors gave.
inline TXJpegErrors& JpegErrorsOf(j_common_ptr info) {
  return *reinterpret_cast<TXJpegErrors*>(info->err);
}

}  // namespace kova
