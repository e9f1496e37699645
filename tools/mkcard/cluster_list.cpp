#include "cluster_list.h"

#include <algorithm>
#include <charconv>

#include "card_paths.h"

namespace kova::mkcard {

namespace {

constexpr uint64_t kLongestList = 1u << 24;

bool ParseNumber(std::string_view text, uint32_t* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

Status ParseClusterList(std::string_view text, std::vector<uint32_t>* clusters) {
  std::vector<uint32_t> out;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? "" : text.substr(comma + 1);
    const size_t dash = item.find('-');
    uint32_t first = 0;
    uint32_t last = 0;
    if (!ParseNumber(item.substr(0, dash), &first) ||
        !ParseNumber(dash == std::string_view::npos ? item : item.substr(dash + 1), &last) ||
        last < first) {
      return Status::Failure("'" + std::string(item) +
                             "' is not a cluster number or an ascending range A-B");
    }
    if (out.size() + (uint64_t{last} - first) >= kLongestList)
      return Status::Failure("cluster list is too long");
    for (uint64_t c = first; c <= last; ++c)
      out.push_back(static_cast<uint32_t>(c));
  }
  if (out.empty()) return Status::Failure("empty cluster list");
  *clusters = std::move(out);
  return {};
}

std::string FormatClusterList(const std::vector<uint32_t>& clusters) {
  std::string out;
  for (size_t i = 0; i < clusters.size();) {
    size_t j = i;
    while (j + 1 < clusters.size() && clusters[j + 1] == clusters[j] + 1)
      ++j;
    if (!out.empty()) out += ",";
    out += std::to_string(clusters[i]);
    if (j > i) out += "-" + std::to_string(clusters[j]);
    i = j + 1;
  }
  return out;
}

Status ParseClusterReference(std::string_view reference, std::string* path, uint32_t* nth) {
  const size_t plus = reference.rfind('+');
  *path = CleanPath(reference.substr(0, plus));
  *nth = 0;
  if (plus == std::string_view::npos) return {};
  std::vector<uint32_t> parsed;
  if (!ParseClusterList(reference.substr(plus + 1), &parsed) || parsed.size() != 1)
    return Status::Failure("'" + std::string(reference) + "': expected PATH+NUMBER");
  *nth = parsed.front();
  return {};
}

Status NthCluster(std::string_view path, const std::vector<uint32_t>& chain, uint32_t nth,
                  uint32_t* cluster) {
  if (nth >= chain.size()) {
    return Status::Failure(Quoted(path) + " has " + std::to_string(chain.size()) +
                           " clusters, no cluster " + std::to_string(nth));
  }
  *cluster = chain[nth];
  return {};
}

std::vector<Extent> ChainExtents(uint64_t cluster2_offset, uint32_t cluster_bytes,
                                 const std::vector<uint32_t>& clusters, uint64_t size) {
  std::vector<Extent> out;
  uint64_t remaining = size;
  for (uint32_t cluster : clusters) {
    if (remaining == 0) break;
    const uint64_t part = std::min<uint64_t>(remaining, cluster_bytes);
    const uint64_t offset = cluster2_offset + uint64_t{cluster - 2} * cluster_bytes;
    if (!out.empty() && out.back().offset + out.back().size == offset) {
      out.back().size += part;
    } else {
      out.push_back({offset, part});
    }
    remaining -= part;
  }
  return out;
}

}  // namespace kova::mkcard
