#include "imaging/images_box.h"

namespace kova {

const TXClassInfo& TXImagesBox::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImagesBox>("TXImagesBox", TXPersistent::StaticClassInfo())
          .Property("Name", &TXImagesBox::Name, &TXImagesBox::SetName)
          .Object("Images", &TXImagesBox::Images)
          .Build();
  return info;
}

bool TXImagesBox::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXImagesBox*>(&source);
  return other && images_.Assign(other->images_);
}

int32_t TXImagesBoxList::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < boxes_.size(); ++i) {
    if (boxes_[i]->Name() == name) return static_cast<int32_t>(i);
  }
  return -1;
}

TXImagesBox* TXImagesBoxList::Find(const std::string& name) const {
  int32_t index = IndexOf(name);
  return index < 0 ? nullptr : At(index);
}

}  // namespace kova
