#include "tiff_builder.h"

#include <algorithm>

namespace kova::mkcard {

namespace {

uint32_t Even(uint64_t size) {
  return static_cast<uint32_t>((size + 1) & ~uint64_t{1});
}

uint32_t IfdBytes(size_t entries) {
  return static_cast<uint32_t>(2 + 12 * entries + 4);
}

}  // namespace

TiffBuilder::Entry TiffBuilder::Plain(uint16_t tag, uint16_t type, uint32_t count, Bytes value) {
  Entry entry;
  entry.tag = tag;
  entry.type = type;
  entry.count = count;
  entry.value = std::move(value);
  return entry;
}

int TiffBuilder::AddIfd() {
  ifds_.emplace_back();
  return static_cast<int>(ifds_.size() - 1);
}

int TiffBuilder::AddBlob(Bytes data) {
  blobs_.push_back(std::move(data));
  return static_cast<int>(blobs_.size() - 1);
}

void TiffBuilder::Put(uint8_t* at, uint64_t value, int width) const {
  if (big_endian_) {
    PutBE(at, value, width);
  } else {
    PutLE(at, value, width);
  }
}

Bytes TiffBuilder::Encode(const std::vector<uint32_t>& values, int width) const {
  Bytes out(values.size() * width);
  for (size_t i = 0; i < values.size(); ++i)
    Put(out.data() + i * width, values[i], width);
  return out;
}

void TiffBuilder::Add(int ifd, Entry entry) {
  auto& entries = ifds_.at(ifd).entries;
  auto at = std::lower_bound(entries.begin(), entries.end(), entry.tag,
                             [](const Entry& e, uint16_t tag) { return e.tag < tag; });
  entries.insert(at, std::move(entry));
}

void TiffBuilder::AddShorts(int ifd, uint16_t tag, const std::vector<uint32_t>& values) {
  Add(ifd, Plain(tag, kShort, static_cast<uint32_t>(values.size()), Encode(values, 2)));
}

void TiffBuilder::AddLongs(int ifd, uint16_t tag, const std::vector<uint32_t>& values) {
  Add(ifd, Plain(tag, kLong, static_cast<uint32_t>(values.size()), Encode(values, 4)));
}

void TiffBuilder::AddRational(int ifd, uint16_t tag, uint32_t numerator, uint32_t denominator) {
  Add(ifd, Plain(tag, kRational, 1, Encode({numerator, denominator}, 4)));
}

void TiffBuilder::AddAscii(int ifd, uint16_t tag, std::string_view text) {
  Bytes value(text.begin(), text.end());
  value.push_back(0);
  Add(ifd, Plain(tag, kAscii, static_cast<uint32_t>(value.size()), value));
}

void TiffBuilder::AddUndefined(int ifd, uint16_t tag, std::string_view bytes) {
  Add(ifd, Plain(tag, kUndefined, static_cast<uint32_t>(bytes.size()),
                 Bytes(bytes.begin(), bytes.end())));
}

void TiffBuilder::AddIfdPointer(int ifd, uint16_t tag, int target_ifd) {
  Entry entry = Plain(tag, kLong, 1, Bytes(4, 0));
  entry.target_ifd = target_ifd;
  Add(ifd, std::move(entry));
}

void TiffBuilder::AddBlobOffsets(int ifd, uint16_t tag, int blob,
                                 const std::vector<uint32_t>& relative) {
  Entry entry =
      Plain(tag, kLong, static_cast<uint32_t>(relative.size()), Bytes(relative.size() * 4, 0));
  entry.target_blob = blob;
  entry.relative = relative;
  Add(ifd, std::move(entry));
}

Bytes TiffBuilder::Build() const {
  // First pass: where each IFD, each out-of-line value and each blob will lie.
  std::vector<uint32_t> ifd_at(ifds_.size());
  uint32_t at = 8;
  for (size_t i = 0; i < ifds_.size(); ++i) {
    ifd_at[i] = at;
    at += IfdBytes(ifds_[i].entries.size());
    for (const Entry& e : ifds_[i].entries) {
      if (e.value.size() > 4) at += Even(e.value.size());
    }
  }
  std::vector<uint32_t> blob_at(blobs_.size());
  for (size_t b = 0; b < blobs_.size(); ++b) {
    blob_at[b] = at;
    at += Even(blobs_[b].size());
  }

  Bytes out(at, 0);
  out[0] = out[1] = big_endian_ ? 'M' : 'I';
  Put(&out[2], 42, 2);
  Put(&out[4], ifds_.empty() ? 0 : ifd_at[0], 4);
  for (size_t i = 0; i < ifds_.size(); ++i) {
    const Ifd& ifd = ifds_[i];
    uint8_t* table = &out[ifd_at[i]];
    uint32_t data_at = ifd_at[i] + IfdBytes(ifd.entries.size());
    Put(table, ifd.entries.size(), 2);
    for (size_t k = 0; k < ifd.entries.size(); ++k) {
      const Entry& e = ifd.entries[k];
      Bytes value = e.value;
      if (e.target_ifd >= 0) Put(value.data(), ifd_at.at(e.target_ifd), 4);
      for (size_t r = 0; r < e.relative.size(); ++r) {
        Put(value.data() + 4 * r, blob_at.at(e.target_blob) + e.relative[r], 4);
      }
      uint8_t* slot = table + 2 + 12 * k;
      Put(slot, e.tag, 2);
      Put(slot + 2, e.type, 2);
      Put(slot + 4, e.count, 4);
      if (value.size() <= 4) {
        std::copy(value.begin(), value.end(), slot + 8);
      } else {
        Put(slot + 8, data_at, 4);
        std::copy(value.begin(), value.end(), out.begin() + data_at);
        data_at += Even(value.size());
      }
    }
    Put(table + 2 + 12 * ifd.entries.size(), ifd.next >= 0 ? ifd_at.at(ifd.next) : 0, 4);
  }
  for (size_t b = 0; b < blobs_.size(); ++b)
    std::copy(blobs_[b].begin(), blobs_[b].end(), out.begin() + blob_at[b]);
  return out;
}

}  // namespace kova::mkcard
