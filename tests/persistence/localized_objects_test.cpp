#include "persistence/localized_objects.h"

#include <gtest/gtest.h>

#include "framework/aspects.h"

namespace kova {
namespace {

class Caption : public TXNamedPersistent {
  KOVA_PERSISTENT(Caption)
 public:
  std::string text;
};

const TXClassInfo& Caption::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<Caption>("TestCaption", TXNamedPersistent::StaticClassInfo())
          .Property("Name", &Caption::Name, &Caption::SetName)
          .Property("LgID", &Caption::LgID, &Caption::SetLgID)
          .Default(0)
          .Property("Text", &Caption::text)
          .Build();
  return info;
}

TEST(LocalizedObjectsTest, AssignCopiesLanguageAndNameAndClearKeepsTheName) {
  Caption source;
  source.SetName("Welcome");
  source.SetLgID(0x407);
  source.text = "Willkommen";
  Caption copy;
  ASSERT_TRUE(copy.Assign(source));
  EXPECT_EQ(copy.Name(), "Welcome");
  EXPECT_EQ(copy.LgID(), 0x407u);
  EXPECT_EQ(copy.text, "Willkommen");

  copy.Clear();
  EXPECT_EQ(copy.LgID(), 0u);
  EXPECT_EQ(copy.Name(), "Welcome");

  TXLocalizedPersistent unrelated;
  unrelated.SetLgID(5);
  EXPECT_FALSE(copy.Assign(unrelated));
  EXPECT_EQ(copy.LgID(), 0u);
}

TEST(LocalizedObjectsTest, PropertiesOfTheBaseArePublishedByName) {
  Caption caption;
  EXPECT_TRUE(SetPropText(caption, "LgID", "1031"));
  EXPECT_TRUE(SetPropText(caption, "name", "Title"));
  EXPECT_EQ(caption.LgID(), 1031u);
  EXPECT_EQ(GetPropText(caption, "Name"), "Title");
}

TEST(LocalizedObjectsTest, LocalizedCollectionsMakeLocalizedItems) {
  TXLocalizedCollection plain(TXCollectionItem::StaticClassInfo());
  EXPECT_EQ(&plain.ItemClass(), &TXLocalizedCollectionItem::StaticClassInfo());
  auto* item = dynamic_cast<TXLocalizedCollectionItem*>(plain.Add());
  ASSERT_NE(item, nullptr);
  item->SetLgID(9);
  TXLocalizedCollection copy;
  ASSERT_TRUE(copy.Assign(plain));
  EXPECT_EQ(static_cast<TXLocalizedCollectionItem*>(copy.Item(0))->LgID(), 9u);
}

TEST(LocalizedObjectsTest, LocaleIdentifierListReadsDecimalsAndAnnouncesChanges) {
  TXLocaleIDStringList list;
  int changes = 0;
  list.AddObserver(AspectClassOf<TXChangedAspect>(),
                   TXHandler(&list, "count", [&](AXNotification&) { ++changes; }));
  EXPECT_EQ(list.DefaultLgID(), 9u);
  list.SetStrings({"1031", "fr", " 1036 ", "-4"});
  EXPECT_EQ(list.LgIDAt(0), 1031u);
  EXPECT_EQ(list.LgIDAt(1), 9u);
  EXPECT_EQ(list.LgIDAt(2), 1036u);
  EXPECT_EQ(list.LgIDAt(3), 9u);
  list.SetDefaultLgID(1033);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(list.LgIDAt(1), 1033u);
  EXPECT_EQ(list.IndexOfLgID(1036), 2);
  EXPECT_EQ(list.IndexOfLgID(7), -1);
  list.RemoveObserversOf(&list);
}

}  // namespace
}  // namespace kova
