#pragma once

#include <string>
#include <vector>

#include "imaging/image_items.h"

namespace kova {

// A component of a form or data module holding a collection of named pictures, published as
// "Images".
class TXImagesBox : public TXPersistent {
  KOVA_PERSISTENT(TXImagesBox)

 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TXImageCollection& Images() { return images_; }
  const TXImageCollection& Images() const { return images_; }

  // From another images box: clears the collection and copies all its items.
  bool Assign(const TXPersistent& source) override;

 private:
  std::string name_;
  TXImageCollection images_;
};

// The images boxes that are open; the list does not own them.
class TXImagesBoxList {
 public:
  void Add(TXImagesBox* box) { boxes_.push_back(box); }
  void Remove(const TXImagesBox* box) { std::erase(boxes_, box); }
  int32_t Count() const { return static_cast<int32_t>(boxes_.size()); }
  TXImagesBox* At(int32_t index) const { return boxes_.at(static_cast<size_t>(index)); }
  // Position of the first box with exactly this name (case matters), or -1.
  int32_t IndexOf(const std::string& name) const;
  TXImagesBox* Find(const std::string& name) const;

 private:
  std::vector<TXImagesBox*> boxes_;
};

}  // namespace kova
