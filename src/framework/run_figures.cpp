#include "framework/run_figures.h"

#include <algorithm>

namespace kova {

void TXRunFigures::Reset() {
  done_.store(0, std::memory_order_relaxed);
  total_.store(0, std::memory_order_relaxed);
  files_.store(0, std::memory_order_relaxed);
  failed_.store(0, std::memory_order_relaxed);
  damaged_.store(0, std::memory_order_relaxed);
  badAreas_.store(0, std::memory_order_relaxed);
  unreadable_.store(0, std::memory_order_relaxed);
  entries_.store(0, std::memory_order_relaxed);
  missing_.store(0, std::memory_order_relaxed);
}

void TXRunFigures::SetTotal(int64_t bytes) {
  total_.store(std::max<int64_t>(bytes, 0), std::memory_order_relaxed);
}

void TXRunFigures::ReachDone(int64_t bytes) {
  int64_t done = done_.load(std::memory_order_relaxed);
  while (bytes > done && !done_.compare_exchange_weak(done, bytes, std::memory_order_relaxed)) {
  }
}

void TXRunFigures::AddDone(int64_t bytes) {
  if (bytes > 0) done_.fetch_add(bytes, std::memory_order_relaxed);
}

void TXRunFigures::CountFile() {
  files_.fetch_add(1, std::memory_order_relaxed);
}

void TXRunFigures::CountFailures(int32_t count) {
  if (count > 0) failed_.fetch_add(count, std::memory_order_relaxed);
}

void TXRunFigures::CountDamaged() {
  damaged_.fetch_add(1, std::memory_order_relaxed);
}

void TXRunFigures::SetUnreadable(int64_t areas, int64_t bytes) {
  badAreas_.store(areas, std::memory_order_relaxed);
  unreadable_.store(bytes, std::memory_order_relaxed);
}

void TXRunFigures::CountEntry() {
  entries_.fetch_add(1, std::memory_order_relaxed);
}

void TXRunFigures::SetMissing(int64_t bytes) {
  missing_.store(std::max<int64_t>(bytes, 0), std::memory_order_relaxed);
}

TXRunFigures::TXSnapshot TXRunFigures::Read() const {
  TXSnapshot figures;
  figures.Total = total_.load(std::memory_order_relaxed);
  figures.Done = std::min(done_.load(std::memory_order_relaxed), figures.Total);
  figures.Files = files_.load(std::memory_order_relaxed);
  figures.Failed = failed_.load(std::memory_order_relaxed);
  figures.Damaged = damaged_.load(std::memory_order_relaxed);
  figures.BadAreas = badAreas_.load(std::memory_order_relaxed);
  figures.Unreadable = unreadable_.load(std::memory_order_relaxed);
  figures.Entries = entries_.load(std::memory_order_relaxed);
  figures.Missing = missing_.load(std::memory_order_relaxed);
  return figures;
}

}  // namespace kova
