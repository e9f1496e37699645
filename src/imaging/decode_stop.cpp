#include "imaging/decode_stop.h"

namespace kova {

namespace {

thread_local TXDecodeStopScope* innermost = nullptr;

}  // namespace

TXDecodeStopScope::TXDecodeStopScope(std::function<bool()> stopped)
    : stopped_(std::move(stopped)), outer_(innermost) {
  innermost = this;
}

TXDecodeStopScope::~TXDecodeStopScope() {
  innermost = outer_;
}

bool DecodeStopRequested() {
  return innermost && innermost->stopped_ && innermost->stopped_();
}

}  // namespace kova
