#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "framework/worker.h"
#include "recovery/blocks.h"
#include "recovery/recovery_aspects.h"

// What the file-system recoveries offer, kept for the tests, and the extents mkcard wrote, in
// the recovery's terms. For tests that link the recovery and mkcard.
namespace kova::test {

// Copies of the files a finder offers on a worker.
class OfferedFiles {
 public:
  explicit OfferedFiles(IXWorker& worker) : worker_(worker) {
    worker.AddObserver(AspectClassOf<TXDRFoundFileAspect>(),
                       TXHandler(this, "offered", [this](AXNotification& n) {
                         if (auto* a = n.AspectAs<TXDRFoundFileAspect>()) Keep(*a->Item);
                       }));
  }
  ~OfferedFiles() { worker_.RemoveObserversOf(this); }

  size_t Count() const { return items_.size(); }
  const TXDRFileItem& operator[](size_t i) const { return *items_[i]; }
  // The offered file with the name, or nullptr.
  const TXDRFileItem* Find(std::string_view name) const {
    for (const auto& item : items_)
      if (item->Name == name) return item.get();
    return nullptr;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& item : items_)
      names.push_back(item->Name);
    return names;
  }

 private:
  void Keep(const TXDRFileItem& item) {
    auto copy = std::make_unique<TXDRFileItem>();
    copy->Assign(item);
    items_.push_back(std::move(copy));
  }

  IXWorker& worker_;
  std::vector<std::unique_ptr<TXDRFileItem>> items_;
};

// The extents of a manifest record as an extent list.
inline TXBlocks ExtentsOf(const mkcard::ManifestRecord& record) {
  TXBlocks blocks;
  for (const mkcard::Extent& e : record.extents)
    blocks.Add(static_cast<int64_t>(e.offset), static_cast<int64_t>(e.size));
  return blocks;
}

inline std::string Describe(const TXBlocks& blocks) {
  std::string text;
  for (const TXBlock& b : blocks)
    text += "[" + std::to_string(b.Start) + "," + std::to_string(b.Size) + "]";
  return text;
}

}  // namespace kova::test
