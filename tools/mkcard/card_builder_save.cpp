#include <algorithm>

#include "card_builder.h"

// Saving the card and describing it in the manifest.
namespace kova::mkcard {

uint64_t CardBuilder::ImageBytes() const {
  return std::min(table_.Options().bytes, truncated_to_);
}

Bytes CardBuilder::ReadImage(uint64_t offset, uint64_t count) const {
  return MediumBytes(*image_, ImageBytes()).Read(offset, count);
}

PartitionContents CardBuilder::ContentsOf(int number) const {
  for (const auto& volume : volumes_) {
    if (volume->Space().number == number)
      return {volume->MbrPartitionType(), volume->FileSystemName()};
  }
  return {};
}

Manifest CardBuilder::MakeManifest() const {
  const auto contents = [this](int number) { return ContentsOf(number); };
  const MediumBytes medium(*image_, ImageBytes());
  Manifest m;
  m.card.image_bytes = ImageBytes();
  m.card.table = TableKindName(table_.Options().table);
  m.card.disk_signature = table_.Options().disk_signature;
  m.card.disk_guid = table_.Options().disk_guid;
  m.partitions = table_.Describe(contents);
  for (const auto& volume : volumes_) {
    ManifestVolume v = volume->VolumeRecord();
    v.image_bytes = ImageBytes();
    m.volumes.push_back(v);
    volume->AddRecords(medium, &m.records);
  }
  for (ManifestRecord r : outside_raws_) {
    r.intact = medium.Holds(r.extents) && medium.Crc(r.extents) == r.crc32;
    m.records.push_back(r);
  }
  if (!m.volumes.empty()) m.volume = m.volumes.front();
  return m;
}

Status CardBuilder::Save(const std::filesystem::path& image,
                         const std::filesystem::path& manifest) {
  if (!HasCard()) return NoVolume();
  for (const auto& volume : volumes_)
    volume->Finish();
  table_.Write(image_.get(), [this](int number) { return ContentsOf(number); });
  Status saved;
  if (ImageBytes() < image_->Size()) {
    SparseImage cut = *image_;
    cut.Resize(ImageBytes());
    saved = cut.SaveTo(image);
  } else {
    saved = image_->SaveTo(image);
  }
  if (!saved) return saved;
  if (manifest.empty()) return {};
  return SaveFileAtomically(manifest, ManifestToJsonLines(MakeManifest()));
}

}  // namespace kova::mkcard
