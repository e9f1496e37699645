#pragma once

#include <functional>

namespace kova {

// True when the innermost scope of the calling thread asks its decodes to stop; false without one.
bool DecodeStopRequested();

// Lets the decodes of one thread give up early. While a scope lives on a thread, the picture
// decoders of that thread ask its question now and then, and fail with EXInvalidGraphic once it
// answers true: a recovery run that is cancelled stops its decodes at once rather than after the
// picture in hand. Scopes nest; the innermost one asks.
class TXDecodeStopScope {
 public:
  explicit TXDecodeStopScope(std::function<bool()> stopped);
  ~TXDecodeStopScope();
  TXDecodeStopScope(const TXDecodeStopScope&) = delete;
  TXDecodeStopScope& operator=(const TXDecodeStopScope&) = delete;

 private:
  friend bool DecodeStopRequested();

  std::function<bool()> stopped_;
  TXDecodeStopScope* outer_;
};

}  // namespace kova
