#include "persistence/lg_manager.h"

#include <algorithm>
#include <exception>

#include "framework/error_data.h"

namespace kova {

bool TXLanguageManager::Register(TXAnyProcedure procedure) {
  for (const Entry& entry : entries_) {
    if (entry.Procedure == procedure) return true;
  }
  entries_.push_back({nextSerial_++, std::move(procedure)});
  if (IsSuspended()) return true;
  return CallGuarded(entries_.back().Procedure);
}

void TXLanguageManager::Unregister(const TXAnyProcedure& procedure) {
  std::erase_if(entries_, [&](const Entry& entry) { return entry.Procedure == procedure; });
}

void TXLanguageManager::UnregisterTarget(const void* target) {
  std::erase_if(entries_, [&](const Entry& entry) { return entry.Procedure.Target() == target; });
}

bool TXLanguageManager::Apply() {
  if (IsSuspended()) return true;
  std::vector<uint64_t> round;
  round.reserve(entries_.size());
  for (const Entry& entry : entries_)
    round.push_back(entry.Serial);
  for (uint64_t serial : round) {
    const Entry* entry = FindSerial(serial);
    if (!entry) continue;
    TXAnyProcedure procedure = entry->Procedure;
    if (!CallGuarded(procedure)) return false;
  }
  return true;
}

bool TXLanguageManager::Resume(bool applyNow) {
  if (suspended_ > 0) --suspended_;
  return applyNow ? Apply() : true;
}

bool TXLanguageManager::CallGuarded(const TXAnyProcedure& procedure) {
  try {
    procedure();
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  } catch (...) {
    return false;
  }
}

const TXLanguageManager::Entry* TXLanguageManager::FindSerial(uint64_t serial) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& entry) { return entry.Serial == serial; });
  return it == entries_.end() ? nullptr : &*it;
}

TXLanguageManager& LanguageManager() {
  static TXLanguageManager manager;
  return manager;
}

}  // namespace kova
