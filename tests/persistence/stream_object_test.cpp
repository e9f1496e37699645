#include "persistence/stream_object.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <numeric>

#include "framework/error_data.h"
#include "persistence/stream_box.h"
#include "persistence/stream_item.h"
#include "persistence/zlib_stream.h"
#include "support/test_paths.h"

namespace kova {
namespace {

std::vector<uint8_t> Blob(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>((i * 31) ^ (i >> 7));
  return bytes;
}

const TXBinaryProperty* FindBinary(const std::vector<TXBinaryProperty>& props,
                                   const std::string& name) {
  for (const TXBinaryProperty& prop : props) {
    if (prop.Name == name) return &prop;
  }
  return nullptr;
}

std::vector<std::string> PropertyNames(const TXClassInfo& info) {
  std::vector<std::string> names;
  for (const TXPropInfo* prop : info.Properties())
    names.push_back(prop->Name);
  return names;
}

TEST(StreamObjectTest, PublishesItsPropertiesInOrder) {
  EXPECT_EQ(PropertyNames(TXStreamObject::StaticClassInfo()),
            (std::vector<std::string>{"Name", "Compressed", "DataClass", "FileName", "Version",
                                      "Size", "TimeStamp"}));
  EXPECT_EQ(PropertyNames(TXCustomSizeStreamObject::StaticClassInfo()).back(), "Height");
  TXStreamObject object;
  EXPECT_EQ(GetPropText(object, "Compressed"), "False");
  EXPECT_TRUE(SetPropText(object, "DataClass", ".rtf"));
  EXPECT_EQ(object.DataClass(), ".rtf");
  EXPECT_FALSE(object.ClassInfo().FindProperty("Size")->ShouldStore(object));
  EXPECT_TRUE(object.ClassInfo().FindProperty("Compressed")->ShouldStore(object));
}

TEST(StreamObjectTest, CompressedBlobTravelsAsOneZlibStreamInCData) {
  TXStreamObject object;
  object.SetCompressed(true);
  object.SetBytes(Blob(12328));
  EXPECT_EQ(object.Size(), 12328);
  EXPECT_GT(object.TimeStamp(), 0);

  std::vector<TXBinaryProperty> props;
  object.DefineBinaryProperties(props);
  ASSERT_NE(FindBinary(props, "CData"), nullptr);
  EXPECT_FALSE(FindBinary(props, "Data")->HasData());
  ASSERT_TRUE(FindBinary(props, "CData")->HasData());
  std::vector<uint8_t> cdata;
  FindBinary(props, "CData")->Write(cdata);

  std::vector<uint8_t> inflated(20000);
  uLongf length = inflated.size();
  ASSERT_EQ(uncompress(inflated.data(), &length, cdata.data(), cdata.size()), Z_OK);
  EXPECT_EQ(length, 12328u);

  TXStreamObject copy;
  std::vector<TXBinaryProperty> copyProps;
  copy.DefineBinaryProperties(copyProps);
  FindBinary(copyProps, "CData")->Read(cdata);
  EXPECT_EQ(copy.Bytes(), object.Bytes());
}

TEST(StreamObjectTest, WritesBytesOnlyWhenThereAreAnyAndTheSwitchIsOn) {
  TXStreamObject object;
  std::vector<TXBinaryProperty> props;
  object.DefineBinaryProperties(props);
  object.SetCompressed(true);
  EXPECT_FALSE(FindBinary(props, "Data")->HasData());
  EXPECT_FALSE(FindBinary(props, "CData")->HasData()) << "no data, nothing written";

  object.SetCompressed(false);
  object.SetBytes({1, 2, 3});
  EXPECT_TRUE(FindBinary(props, "Data")->HasData());
  std::vector<uint8_t> raw;
  FindBinary(props, "Data")->Write(raw);
  EXPECT_EQ(raw, (std::vector<uint8_t>{1, 2, 3}));

  object.SetStoreData(false);
  EXPECT_FALSE(FindBinary(props, "Data")->HasData());
  EXPECT_FALSE(FindBinary(props, "CData")->HasData());
  EXPECT_TRUE(object.ClassInfo().FindProperty("Size")->ShouldStore(object))
      << "the properties are still written";
}

TEST(StreamObjectTest, DamagedCDataKeepsTheBytesInflatedBeforeTheDamage) {
  std::vector<uint8_t> original(400000);
  std::iota(original.begin(), original.end(), 0);
  std::vector<uint8_t> cdata = ZCompress(original);
  cdata.resize(cdata.size() * 2 / 3);

  TXStreamObject object;
  object.SetBytes({9, 9});
  std::vector<TXBinaryProperty> props;
  object.DefineBinaryProperties(props);
  FindBinary(props, "CData")->Read(cdata);
  ASSERT_FALSE(object.IsEmpty());
  ASSERT_LT(object.Bytes().size(), original.size());
  EXPECT_TRUE(std::equal(object.Bytes().begin(), object.Bytes().end(), original.begin()));
}

TEST(StreamObjectTest, AssignCopiesEverythingAndRecomputesTheSize) {
  TXCustomSizeStreamObject source;
  source.SetName("logo");
  source.SetCompressed(true);
  source.SetDataClass("TPngImage");
  source.SetVersion("1.2.3.4");
  source.SetFileName("/tmp/logo.png");
  source.SetBytes(Blob(100));
  source.SetTimeStamp(45000.5);
  source.SetSize(999999);
  source.SetWidth(16);
  source.SetHeight(8);

  TXCustomSizeStreamObject target;
  ASSERT_TRUE(target.Assign(source));
  EXPECT_EQ(target.Size(), 100);
  EXPECT_EQ(target.Bytes(), source.Bytes());
  EXPECT_EQ(target.Name(), "logo");
  EXPECT_TRUE(target.Compressed());
  EXPECT_EQ(target.DataClass(), "TPngImage");
  EXPECT_EQ(target.Version(), "1.2.3.4");
  EXPECT_EQ(target.FileName(), "/tmp/logo.png");
  EXPECT_EQ(target.TimeStamp(), 45000.5);
  EXPECT_EQ(target.Width(), 16);
  EXPECT_EQ(target.Height(), 8);

  TXStreamObject plain;
  plain.SetName("plain");
  plain.SetBytes({1});
  ASSERT_TRUE(target.Assign(plain));
  EXPECT_EQ(target.Width(), 0) << "a plain data object has no picture size";
  TXStreamBox box;
  EXPECT_FALSE(target.Assign(box));

  target.Clear();
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_EQ(target.Size(), 0);
  EXPECT_EQ(target.DataClass(), "");
  EXPECT_EQ(target.Name(), "plain") << "Clear keeps the name";
}

TEST(StreamObjectTest, LoadsWholeStreamsAndFilesAndFailsCleanly) {
  TXMemoryStream stream(Blob(5000));
  stream.SetPosition(1234);
  TXStreamObject object;
  ASSERT_TRUE(object.LoadFromStream(".bin", stream));
  EXPECT_EQ(object.Size(), 5000) << "copied from the start";
  EXPECT_EQ(object.DataClass(), ".bin");

  test::TempDir dir;
  std::string path = (dir / "Help.RTF").string();
  std::ofstream(path, std::ios::binary) << "{\\rtf1 hello}";
  ASSERT_TRUE(object.LoadFromFile(path));
  EXPECT_EQ(object.DataClass(), ".rtf");
  EXPECT_EQ(object.FileName(), path);
  EXPECT_EQ(object.Size(), 13);
  ASSERT_TRUE(object.LoadFromFile(path, false));
  EXPECT_EQ(object.FileName(), "");

  TXMemoryStream saved;
  object.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), object.Bytes());

  ClearThreadError();
  EXPECT_FALSE(object.LoadFromFile((dir / "missing.rtf").string()));
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
  EXPECT_TRUE(object.IsEmpty());
  EXPECT_EQ(object.DataClass(), "");
}

TEST(StreamItemTest, ItemsOwnTheirObjectsAndPassTheSwitchOn) {
  TXStreamCollection collection;
  TXStreamItem* item = collection.Add();
  item->SetDisplayName("Words");
  EXPECT_TRUE(item->IsEmpty());
  item->Data().SetBytes({4, 5, 6});
  item->Data().SetDataClass(".txt");
  item->SetStoreData(false);
  EXPECT_FALSE(item->Data().StoreData());
  EXPECT_EQ(GetPropObject(*item, "Data"), &item->Data());

  EXPECT_EQ(collection.Find("WORDS"), item);
  EXPECT_EQ(collection.Find("other"), nullptr);

  TXStreamCollection copy;
  ASSERT_TRUE(copy.Assign(collection));
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy[0]->DisplayName(), "Words");
  EXPECT_EQ(copy[0]->Data().Bytes(), (std::vector<uint8_t>{4, 5, 6}));
  EXPECT_EQ(copy[0]->Data().DataClass(), ".txt");

  TXStreamObject loose;
  loose.SetBytes({7});
  ASSERT_TRUE(copy[0]->Assign(loose));
  EXPECT_EQ(copy[0]->Data().Bytes(), (std::vector<uint8_t>{7}));
  copy[0]->Clear();
  EXPECT_TRUE(copy[0]->IsEmpty());
}

TEST(StreamBoxTest, AssigningABoxCopiesItsDataObjectButNotItsName) {
  TXStreamBox source;
  source.SetName("lgStream");
  source.Data().SetCompressed(true);
  source.Data().SetDataClass(".xlg");
  source.Data().SetBytes(Blob(64));
  TXStreamBox target;
  target.SetName("other");
  ASSERT_TRUE(target.Assign(source));
  EXPECT_EQ(target.Name(), "other");
  EXPECT_EQ(target.Data().Bytes(), source.Data().Bytes());
  EXPECT_EQ(target.Data().DataClass(), ".xlg");
  EXPECT_EQ(GetPropObject(target, "Data"), &target.Data());
  EXPECT_FALSE(target.Assign(source.Data()));
}

}  // namespace
}  // namespace kova
