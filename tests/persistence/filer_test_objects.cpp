#include "filer_test_objects.h"

#include <stdexcept>

namespace kova::test {

const TXClassInfo& Shot::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<Shot>("TestShot", TXFilerableItem::StaticClassInfo())
          .Property("Name", &Shot::Name, &Shot::SetName)
          .Property("Width", &Shot::width)
          .Default(0)
          .Enum("Rating", &Shot::rating, {"raUnrated", "raGood", "raBest"})
          .Default(0)
          .Custom([] {
            TXPropInfo set;
            set.Name = "Tags";
            set.Kind = TXPropKind::Set;
            set.Identifiers = {"tgPeople", "tgNature", "tgNight"};
            set.Default = 0;
            set.GetOrdinal = [](const TXPersistent& o) { return static_cast<const Shot&>(o).tags; };
            set.SetOrdinal = [](TXPersistent& o, int64_t v) { static_cast<Shot&>(o).tags = v; };
            return set;
          }())
          .DateTime("Taken", &Shot::taken)
          .Property("Caption", &Shot::caption)
          .Property("Keywords", &Shot::keywords)
          .Build();
  return info;
}

const TXClassInfo& Lens::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<Lens>("TestLens", TXPersistent::StaticClassInfo())
                                       .Property("Model", &Lens::model)
                                       .Property("Focal", &Lens::focal)
                                       .Default(0)
                                       .Build();
  return info;
}

const TXClassInfo& Album::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<Album>("TestAlbum", TXFilerablePersistent::StaticClassInfo())
          .Property("Name", &Album::Name, &Album::SetName)
          .Property("Count", &Album::count)
          .Property("Enabled", &Album::enabled)
          .Default(0)
          .Property("Price", &Album::price)
          .Property("Title", &Album::title)
          .Property("Notes", &Album::notes)
          .Object("Lens", &Album::GetLens)
          .Object("Shots", &Album::Shots)
          .Build();
  return info;
}

void Album::DefineBinaryProperties(std::vector<TXBinaryProperty>& properties) {
  properties.push_back({"Blob", [this] { return !blob.empty(); },
                        [this](std::vector<uint8_t>& bytes) {
                          if (failWrite) throw std::runtime_error("the blob cannot be written");
                          bytes = blob;
                        },
                        [this](const std::vector<uint8_t>& bytes) { blob = bytes; }});
}

}  // namespace kova::test
