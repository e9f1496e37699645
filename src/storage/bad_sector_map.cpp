#include "storage/bad_sector_map.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "storage/platform_device.h"

namespace kova {

namespace {

bool IsSectorState(char c) {
  return c == '?' || c == '*' || c == '/' || c == '-' || c == '+';
}

bool IsPhase(char c) {
  return IsSectorState(c) || c == 'F' || c == 'G';
}

std::string Hex(int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

// A number as ddrescue writes it: decimal, or hexadecimal after "0x".
bool ParseNumber(std::string_view word, int64_t& value) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    word.remove_prefix(2);
    base = 16;
  }
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  return error == std::errc() && end == word.data() + word.size() && value >= 0;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < line.size()) {
    const size_t start = line.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

}  // namespace

std::string ImageMapFileOf(const std::string& imagePath) {
  return imagePath + ".map";
}

bool IsUnreadableState(TXSectorState state) {
  return state == TXSectorState::ssNonTrimmed || state == TXSectorState::ssNonScraped ||
         state == TXSectorState::ssBad;
}

TXBadSectorMap::TXBadSectorMap(int64_t size) {
  Resize(size);
}

TXBadSectorMap::TXBadSectorMap(const TXBadSectorMap& other) {
  *this = other;
}

TXBadSectorMap& TXBadSectorMap::operator=(const TXBadSectorMap& other) {
  if (this == &other) return *this;
  std::scoped_lock lock(mutex_, other.mutex_);
  size_ = other.size_;
  areas_ = other.areas_;
  CurrentPos = other.CurrentPos;
  Phase = other.Phase;
  Pass = other.Pass;
  return *this;
}

int64_t TXBadSectorMap::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

void TXBadSectorMap::Resize(int64_t size) {
  std::lock_guard lock(mutex_);
  size = std::max<int64_t>(size, 0);
  if (size < size_) {
    SplitAt(size);
    areas_.erase(areas_.lower_bound(size), areas_.end());
  } else if (size > size_) {
    areas_[size_] = {size_, size - size_, TXSectorState::ssUntried};
    JoinAround(size_, size);
  }
  size_ = size;
}

void TXBadSectorMap::Mark(int64_t pos, int64_t size, TXSectorState state) {
  std::lock_guard lock(mutex_);
  MarkLocked(pos, size, state);
}

void TXBadSectorMap::MarkLocked(int64_t pos, int64_t size, TXSectorState state) {
  const int64_t start = std::max<int64_t>(pos, 0);
  const int64_t end = std::min(pos + size, size_);
  if (start >= end) return;
  SplitAt(start);
  SplitAt(end);
  areas_.erase(areas_.lower_bound(start), areas_.lower_bound(end));
  areas_[start] = {start, end - start, state};
  JoinAround(start, end);
}

// Makes pos the start of an area (when it lies inside the map).
void TXBadSectorMap::SplitAt(int64_t pos) {
  if (pos <= 0 || pos >= size_) return;
  auto area = std::prev(areas_.upper_bound(pos));
  if (area->first == pos) return;
  TXSectorArea& first = area->second;
  const TXSectorArea rest{pos, first.End() - pos, first.State};
  first.Size = pos - first.Pos;
  areas_[pos] = rest;
}

// Joins the areas of [pos, end) with neighbours of their state.
void TXBadSectorMap::JoinAround(int64_t pos, int64_t end) {
  auto area = areas_.find(pos);
  if (area == areas_.end()) return;
  if (area != areas_.begin()) {
    auto before = std::prev(area);
    if (before->second.State == area->second.State) {
      before->second.Size += area->second.Size;
      areas_.erase(area);
      area = before;
    }
  }
  for (auto next = std::next(area); next != areas_.end() && next->first <= end;
       next = std::next(area)) {
    if (next->second.State != area->second.State) {
      area = next;
      continue;
    }
    area->second.Size += next->second.Size;
    areas_.erase(next);
  }
}

TXSectorState TXBadSectorMap::StateAt(int64_t pos) const {
  std::lock_guard lock(mutex_);
  if (pos < 0 || pos >= size_) return TXSectorState::ssUntried;
  return std::prev(areas_.upper_bound(pos))->second.State;
}

std::vector<TXSectorArea> TXBadSectorMap::Areas() const {
  std::lock_guard lock(mutex_);
  std::vector<TXSectorArea> areas;
  areas.reserve(areas_.size());
  for (const auto& [pos, area] : areas_)
    areas.push_back(area);
  return areas;
}

template <typename Visit>
void TXBadSectorMap::VisitWithin(int64_t pos, int64_t size, Visit visit) const {
  const int64_t end = std::min(pos + size, size_);
  pos = std::max<int64_t>(pos, 0);
  if (pos >= end) return;
  for (auto area = std::prev(areas_.upper_bound(pos)); area != areas_.end() && area->first < end;
       ++area) {
    const int64_t from = std::max(pos, area->first);
    const int64_t to = std::min(end, area->second.End());
    visit(TXSectorArea{from, to - from, area->second.State});
  }
}

std::vector<TXSectorArea> TXBadSectorMap::AreasWithin(int64_t pos, int64_t size) const {
  std::lock_guard lock(mutex_);
  std::vector<TXSectorArea> areas;
  VisitWithin(pos, size, [&](const TXSectorArea& area) { areas.push_back(area); });
  return areas;
}

std::optional<TXSectorArea> TXBadSectorMap::NextArea(int64_t from, TXSectorState state) const {
  std::lock_guard lock(mutex_);
  if (from >= size_) return std::nullopt;
  auto area = from <= 0 ? areas_.begin() : std::prev(areas_.upper_bound(from));
  for (; area != areas_.end(); ++area) {
    if (area->second.State != state) continue;
    const int64_t start = std::max(from, area->first);
    return TXSectorArea{start, area->second.End() - start, state};
  }
  return std::nullopt;
}

int64_t TXBadSectorMap::UnreadableWithin(int64_t pos, int64_t size) const {
  std::lock_guard lock(mutex_);
  int64_t bytes = 0;
  VisitWithin(pos, size, [&](const TXSectorArea& area) {
    if (IsUnreadableState(area.State)) bytes += area.Size;
  });
  return bytes;
}

int64_t TXBadSectorMap::UnreadableBytes() const {
  return UnreadableWithin(0, Size());
}

int64_t TXBadSectorMap::BadAreaCount() const {
  std::lock_guard lock(mutex_);
  int64_t count = 0;
  bool inBad = false;
  for (const auto& [pos, area] : areas_) {
    const bool bad = IsUnreadableState(area.State);
    if (bad && !inBad) ++count;
    inBad = bad;
  }
  return count;
}

int64_t TXBadSectorMap::BytesIn(TXSectorState state) const {
  std::lock_guard lock(mutex_);
  int64_t bytes = 0;
  for (const auto& [pos, area] : areas_)
    if (area.State == state) bytes += area.Size;
  return bytes;
}

bool TXBadSectorMap::IsComplete() const {
  std::lock_guard lock(mutex_);
  return std::all_of(areas_.begin(), areas_.end(), [](const auto& entry) {
    return entry.second.State == TXSectorState::ssFinished ||
           entry.second.State == TXSectorState::ssBad;
  });
}

void TXBadSectorMap::MarkUntriedBad() {
  std::lock_guard lock(mutex_);
  std::vector<TXSectorArea> untried;
  for (const auto& [pos, area] : areas_)
    if (area.State == TXSectorState::ssUntried) untried.push_back(area);
  for (const TXSectorArea& area : untried)
    MarkLocked(area.Pos, area.Size, TXSectorState::ssBad);
}

std::string TXBadSectorMap::ToMapfile(std::string_view commandLine) const {
  std::lock_guard lock(mutex_);
  std::ostringstream text;
  text << "# Mapfile. Created by Velmora Kova\n";
  if (!commandLine.empty()) text << "# Command line: " << commandLine << "\n";
  text << "# current_pos  current_status  current_pass\n";
  text << Hex(CurrentPos) << "     " << static_cast<char>(Phase) << "               " << Pass
       << "\n";
  text << "#      pos        size  status\n";
  for (const auto& [pos, area] : areas_) {
    text << Hex(area.Pos) << "  " << Hex(area.Size) << "  " << static_cast<char>(area.State)
         << "\n";
  }
  return text.str();
}

std::optional<TXBadSectorMap> TXBadSectorMap::FromMapfile(std::string_view text,
                                                          std::string& error) {
  TXBadSectorMap map;
  bool statusRead = false;
  int64_t lineNumber = 0;
  std::vector<TXSectorArea> areas;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNumber;
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    const std::string where = "line " + std::to_string(lineNumber);
    int64_t first = 0;
    int64_t second = 0;
    if (!statusRead) {
      if (words.size() < 2 || !ParseNumber(words[0], first) || words[1].size() != 1 ||
          !IsPhase(words[1][0])) {
        error = where + ": expected the current position and status";
        return std::nullopt;
      }
      map.CurrentPos = first;
      const char phase = words[1][0];
      map.Phase =
          IsSectorState(phase) ? static_cast<TXRescuePhase>(phase) : TXRescuePhase::rpCopying;
      if (words.size() > 2 && ParseNumber(words[2], second))
        map.Pass = static_cast<int32_t>(second);
      statusRead = true;
      continue;
    }
    if (words.size() < 3 || !ParseNumber(words[0], first) || !ParseNumber(words[1], second) ||
        words[2].size() != 1 || !IsSectorState(words[2][0])) {
      error = where + ": expected 'pos size status'";
      return std::nullopt;
    }
    if (!areas.empty() && first < areas.back().End()) {
      error = where + ": the area overlaps the one before";
      return std::nullopt;
    }
    areas.push_back({first, second, static_cast<TXSectorState>(words[2][0])});
  }
  if (!statusRead) {
    error = "no mapfile: the current position and status are missing";
    return std::nullopt;
  }
  map.Resize(areas.empty() ? 0 : areas.back().End());
  for (const TXSectorArea& area : areas)
    map.Mark(area.Pos, area.Size, area.State);
  return map;
}

bool TXBadSectorMap::SaveMapfile(const std::string& path, int& error,
                                 std::string_view commandLine) const {
  const std::string text = ToMapfile(commandLine);
  const std::string temporary = path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = errno;
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == text.size() && ::fsync(fd) == 0;
  error = written ? 0 : errno;
  ::close(fd);
  if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (written) error = errno;
  ::unlink(temporary.c_str());
  return false;
}

std::optional<TXBadSectorMap> TXBadSectorMap::LoadMapfile(const std::string& path,
                                                          std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": " + OsErrorText(errno);
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::optional<TXBadSectorMap> map = FromMapfile(text.str(), error);
  if (!map) error = path + ": " + error;
  return map;
}

}  // namespace kova
