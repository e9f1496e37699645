#include "persistence/stream_box.h"

namespace kova {

const TXClassInfo& TXStreamBox::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXStreamBox>("TXStreamBox", TXPersistent::StaticClassInfo())
          .Property("Name", &TXStreamBox::Name, &TXStreamBox::SetName)
          .Object("Data", &TXStreamBox::Data)
          .Build();
  return info;
}

bool TXStreamBox::Assign(const TXPersistent& source) {
  auto* box = dynamic_cast<const TXStreamBox*>(&source);
  return box && data_.Assign(box->data_);
}

}  // namespace kova
