#include "framework/persistent.h"

#include <gtest/gtest.h>

#include "framework/collection.h"

namespace kova {
namespace {

enum class Shade : uint8_t { Light, Dark };

class Point : public TXCollectionItem {
  KOVA_PERSISTENT(Point)
 public:
  int32_t x = 0;
  std::string label;
};

const TXClassInfo& Point::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<Point>("TestPoint", TXCollectionItem::StaticClassInfo())
          .Property("X", &Point::x)
          .Default(0)
          .Property("Label", &Point::label)
          .Build();
  return info;
}

class Settings : public TXPersistent {
  KOVA_PERSISTENT(Settings)
 public:
  bool enabled = true;
  uint32_t id = 9;
  int64_t big = 0;
  double when = 0;
  Shade shade = Shade::Light;
  std::vector<std::string> lines;
  TXTypedCollection<Point> points;
  TXTypedCollection<Point>& Points() { return points; }
};

const TXClassInfo& Settings::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<Settings>("TestSettings", TXPersistent::StaticClassInfo())
          .Property("Enabled", &Settings::enabled)
          .Property("Id", &Settings::id)
          .Default(9)
          .Property("Big", &Settings::big)
          .DateTime("When", &Settings::when)
          .Enum("Shade", &Settings::shade, {"shLight", "shDark"})
          .Property("Lines", &Settings::lines)
          .Object("Points", &Settings::Points)
          .Build();
  return info;
}

TEST(PersistentTest, PropertiesAreListedInDeclarationOrderAndFoundByNameIgnoringCase) {
  const TXClassInfo& info = Settings::StaticClassInfo();
  ASSERT_EQ(info.Properties().size(), 7u);
  EXPECT_EQ(info.Properties()[0]->Name, "Enabled");
  EXPECT_EQ(info.Properties()[6]->Kind, TXPropKind::Object);
  EXPECT_EQ(info.FindProperty("shade"), info.Properties()[4]);
  EXPECT_EQ(FindClassInfo("testsettings"), &info);
}

TEST(PersistentTest, TextConversionsFollowThePropertyKind) {
  Settings s;
  EXPECT_EQ(GetPropText(s, "Enabled"), "True");
  EXPECT_TRUE(SetPropText(s, "Enabled", "False"));
  EXPECT_FALSE(s.enabled);
  EXPECT_TRUE(SetPropText(s, "enabled", "true"));
  EXPECT_TRUE(s.enabled);
  EXPECT_FALSE(SetPropText(s, "Enabled", "maybe"));
  EXPECT_TRUE(SetPropText(s, "Id", "4294967295"));
  EXPECT_EQ(GetPropText(s, "Id"), "4294967295");
  EXPECT_FALSE(SetPropText(s, "Big", "12x"));
  EXPECT_TRUE(SetPropText(s, "When", "45000.25"));
  EXPECT_EQ(GetPropText(s, "When"), "45000.25");
  EXPECT_TRUE(SetPropText(s, "Shade", "shDark"));
  EXPECT_EQ(s.shade, Shade::Dark);
  EXPECT_TRUE(SetPropText(s, "Lines", "a\r\nb\nc"));
  EXPECT_EQ(s.lines.size(), 3u);
  EXPECT_FALSE(SetPropText(s, "Missing", "1"));
  EXPECT_FALSE(GetPropText(s, "Points").has_value());
}

TEST(PersistentTest, OrdinalsAtTheirDeclaredDefaultAreNotStored) {
  Settings s;
  const TXClassInfo& info = s.ClassInfo();
  EXPECT_TRUE(info.FindProperty("Enabled")->ShouldStore(s));  // no declared default
  EXPECT_FALSE(info.FindProperty("Id")->ShouldStore(s));
  s.id = 10;
  EXPECT_TRUE(info.FindProperty("Id")->ShouldStore(s));
  EXPECT_FALSE(info.FindProperty("When")->ShouldStore(s));
  EXPECT_TRUE(info.FindProperty("Points")->ShouldStore(s));
}

TEST(PersistentTest, AssignCopiesPropertiesAndNestedCollections) {
  Settings a;
  a.enabled = false;
  a.big = -5;
  Point* p = a.points.Add();
  p->x = 3;
  p->label = "three";
  p->SetDisplayName("first");
  Settings b;
  ASSERT_TRUE(b.Assign(a));
  EXPECT_FALSE(b.enabled);
  EXPECT_EQ(b.big, -5);
  ASSERT_EQ(b.points.Count(), 1);
  EXPECT_EQ(b.points.At(0)->x, 3);
  EXPECT_EQ(b.points.At(0)->DisplayName(), "first");
  Point unrelated;
  EXPECT_FALSE(b.Assign(unrelated));
}

TEST(PersistentTest, CollectionKeepsIndexesAndCreationNumbers) {
  TXTypedCollection<Point> points;
  for (int i = 0; i < 4; ++i)
    points.Add()->x = i;
  points.Move(3, 0);
  EXPECT_EQ(points.At(0)->x, 3);
  EXPECT_EQ(points.At(0)->Index(), 0);
  EXPECT_EQ(points.At(0)->ID(), 3);
  points.Delete(1);
  EXPECT_EQ(points.Count(), 3);
  EXPECT_EQ(points.At(2)->Index(), 2);
  points.Sort([](const TXCollectionItem& a, const TXCollectionItem& b) { return a.ID() < b.ID(); });
  EXPECT_EQ(points.At(0)->x, 1);
}

}  // namespace
}  // namespace kova
