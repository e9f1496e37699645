#include "persistence/xml_filer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "filer_test_objects.h"
#include "persistence/xml_filer_objects.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::Album;
using test::Rating;
using test::Shot;

void FillAlbum(Album& album) {
  album.SetName("Holiday <2024> & \"friends\"");
  album.count = -7;
  album.enabled = true;
  album.price = 0.1;
  album.title = "Line one\r\nLine two\ttabbed";
  album.notes = {"first", "", "third"};
  album.lens.model = "50mm f/1.8";
  album.lens.focal = 50;
  album.blob.resize(33);
  for (size_t i = 0; i < album.blob.size(); ++i)
    album.blob[i] = static_cast<uint8_t>(i * 7);
  Shot* shot = album.Shots().Add();
  shot->SetDisplayName("IMG_0001.JPG");
  shot->width = 4000;
  shot->rating = Rating::Best;
  shot->tags = 0b101;
  shot->taken = 45000.5;
  shot->caption = "Größe ✓";
  shot->keywords = {"beach"};
  album.Shots().Add()->SetDisplayName("IMG_0002.JPG");
}

std::string SaveXml(TXPersistent& object) {
  TXMLFiler filer;
  filer.SetObject(&object);
  std::string text;
  EXPECT_TRUE(filer.SaveToString(text));
  return text;
}

TEST(XmlFilerTest, ObjectsOfEveryPropertyKindRoundTrip) {
  Album album;
  FillAlbum(album);
  std::string xml = SaveXml(album);

  Album copy;
  TXMLFiler filer;
  filer.SetObject(&copy);
  ASSERT_TRUE(filer.LoadFromString(xml)) << ThreadError().ToString();
  EXPECT_EQ(copy.Name(), album.Name());
  EXPECT_EQ(copy.count, -7);
  EXPECT_TRUE(copy.enabled);
  EXPECT_EQ(copy.price, 0.1);
  EXPECT_EQ(copy.title, album.title);
  EXPECT_EQ(copy.notes, album.notes);
  EXPECT_EQ(copy.lens.model, "50mm f/1.8");
  EXPECT_EQ(copy.lens.focal, 50u);
  EXPECT_EQ(copy.blob, album.blob);
  ASSERT_EQ(copy.Shots().Count(), 2);
  const Shot& shot = *copy.Shots()[0];
  EXPECT_EQ(shot.DisplayName(), "IMG_0001.JPG");
  EXPECT_EQ(shot.width, 4000);
  EXPECT_EQ(shot.rating, Rating::Best);
  EXPECT_EQ(shot.tags, 0b101);
  EXPECT_EQ(shot.taken, 45000.5);
  EXPECT_EQ(shot.caption, "Größe ✓");
  EXPECT_EQ(shot.keywords, std::vector<std::string>{"beach"});
  EXPECT_EQ(copy.Shots()[1]->DisplayName(), "IMG_0002.JPG");
  EXPECT_EQ(SaveXml(copy), xml);
}

TEST(XmlFilerTest, TheDocumentHasTheDeclaredShapeAndSkipsDefaults) {
  Album album;
  album.Shots().Add()->SetDisplayName("a");
  std::string xml = SaveXml(album);
  EXPECT_EQ(xml,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<objects><o name=\"\"><p name=\"ObjClassName\">TestAlbum</p><o name=\"Obj\">"
            "<p name=\"Count\">0</p><o name=\"Lens\"/><o name=\"Shots\"><i name=\"a\">"
            "<p name=\"Name\">a</p></i></o></o></o></objects>");
}

TEST(XmlFilerTest, TheDataIndexOfALanguageIsWrittenAsDocumented) {
  TXDataIndex index;
  index.Items().SetBase(2);
  TXMemoryStream words;
  index.Items().AddData("Words", "", &words);
  EXPECT_EQ(ObjectToXml(index),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<objects><o name=\"\"><p name=\"ObjClassName\">TXDataIndex</p><o name=\"Obj\">"
            "<o name=\"DataIndex\"><i name=\"Words\"><p name=\"Name\">Words</p>"
            "<p name=\"Idx\">2</p></i></o></o></o></objects>");
  EXPECT_EQ(ObjectXmlClassName(ObjectToXml(index)), "TXDataIndex");
}

TEST(XmlFilerTest, BinaryPropertiesAreUpperCaseHexadecimalIn64DigitLines) {
  std::vector<uint8_t> bytes(33, 0xAB);
  bytes[32] = 0x0F;
  std::string text = BytesToHexLines(bytes);
  std::string firstLine;
  for (int i = 0; i < 32; ++i)
    firstLine += "AB";
  EXPECT_EQ(text, firstLine + "\r\n0F");
  EXPECT_EQ(HexLinesToBytes(text), bytes);
  EXPECT_EQ(HexLinesToBytes("ab\r\ncD"), (std::vector<uint8_t>{0xAB, 0xCD}));
  EXPECT_FALSE(HexLinesToBytes("ABC"));
  EXPECT_FALSE(HexLinesToBytes("AG"));
}

TEST(XmlFilerTest, ReadingClearsCollectionsSoTheSameXmlTwiceDoesNotDuplicate) {
  Album album;
  FillAlbum(album);
  std::string xml = SaveXml(album);
  TXMLFiler filer;
  filer.SetObject(&album);
  ASSERT_TRUE(filer.LoadFromString(xml));
  ASSERT_TRUE(filer.LoadFromString(xml));
  EXPECT_EQ(album.Shots().Count(), 2);
}

TEST(XmlFilerTest, UnreadableValuesOfNumbersReadAsZero) {
  Album album;
  album.price = 3;
  album.lens.focal = 9;
  std::string xml = SaveXml(album);
  xml.replace(xml.find(">3<"), 3, ">x3<");
  xml.replace(xml.find(">9<"), 3, ">nine<");
  TXMLFiler filer;
  filer.SetObject(&album);
  album.count = 5;
  ASSERT_TRUE(filer.LoadFromString(xml));
  EXPECT_EQ(album.price, 0);
  EXPECT_EQ(album.lens.focal, 0u);
  EXPECT_EQ(album.count, 0);
}

TEST(XmlFilerTest, TextThatIsNotObjectXmlFailsAndChangesNothing) {
  Album album;
  FillAlbum(album);
  std::string good = SaveXml(album);
  TXMLFiler filer;
  filer.SetObject(&album);
  for (std::string bad : {std::string("plain words"), good.substr(0, good.size() / 2),
                          std::string("<?xml version=\"1.0\"?><other/>"), std::string()}) {
    EXPECT_FALSE(filer.LoadFromString(bad));
    EXPECT_EQ(ThreadError().Code, kErrRead);
    EXPECT_FALSE(ThreadError().Text.empty());
    EXPECT_EQ(album.Shots().Count(), 2);
    EXPECT_EQ(album.count, -7);
  }
  EXPECT_TRUE(filer.LoadFromString("\xEF\xBB\xBF" + good)) << "a byte order mark is allowed";
}

TEST(XmlFilerTest, AValueThatCannotBeTakenFailsTheReadWithoutAnException) {
  class Picky : public Album {
   public:
    void DefineBinaryProperties(std::vector<TXBinaryProperty>& properties) override {
      properties.push_back(
          {"Blob", [] { return false; }, [](std::vector<uint8_t>&) {},
           [](const std::vector<uint8_t>&) { throw std::runtime_error("the blob is too large"); }});
    }
  };
  Album album;
  FillAlbum(album);
  Picky picky;
  EXPECT_FALSE(ObjectFromXml(picky, ObjectToXml(album)));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(ThreadError().Text, "the blob is too large");
}

TEST(XmlFilerTest, FilesAreReplacedOnlyWhenTheNewContentIsComplete) {
  test::TempDir dir;
  std::string path = (dir / "album.xml").string();
  Album album;
  FillAlbum(album);
  TXMLFiler filer;
  filer.SetObject(&album);
  ASSERT_TRUE(filer.SaveToFile(path));

  Album loaded;
  EXPECT_TRUE(LoadObjectFromFile<TXMLFiler>(loaded, path));
  EXPECT_EQ(loaded.Shots().Count(), 2);
  EXPECT_FALSE(LoadObjectFromFile<TXMLFiler>(loaded, (dir / "absent.xml").string()));
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);

  album.count = 99;
  album.failWrite = true;
  EXPECT_FALSE(filer.SaveToFile(path));
  EXPECT_EQ(ThreadError().Code, kErrWrite);
  ASSERT_TRUE(LoadObjectFromFile<TXMLFiler>(loaded, path));
  EXPECT_EQ(loaded.count, -7) << "the file keeps what it held";
  EXPECT_FALSE(std::filesystem::exists(path + ".~tmp"));
}

}  // namespace
}  // namespace kova
