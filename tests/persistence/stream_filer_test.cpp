#include "persistence/stream_filer.h"

#include <gtest/gtest.h>

#include "filer_test_objects.h"
#include "persistence/stream_item.h"
#include "persistence/xml_filer_objects.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::Album;
using test::Lens;

// An album with a stream collection: its object record binds "Cover" (bytes), "Note" (text) and
// "Spare" (an object); its items are stream items.
struct Scrapbook {
  Album album;
  TXStreamCollection pages;
  TXMemoryStream cover;
  std::string note;
  Lens spare;
};

class ScrapbookGroup : public TXRStreamItemsFilerGroup {
 public:
  ScrapbookGroup(TXFiler& filer, Scrapbook& book)
      : TXRStreamItemsFilerGroup(filer, &book.album, &book.pages, "Scrapbook"), book_(book) {}

 protected:
  void AddObjectData(TXDataIndexCollection& index) override {
    index.AddData("Cover", "", &book_.cover);
    index.AddData("Note", "", &book_.note);
    index.AddData("Spare", "", static_cast<TXPersistent*>(&book_.spare));
  }
  std::string ItemKey(TXCollectionItem& item) override { return "key:" + item.DisplayName(); }
  void SetItemKey(TXCollectionItem& item, const std::string& key) override {
    item.SetDisplayName(key.substr(4));
  }

 private:
  Scrapbook& book_;
};

class ScrapbookFiler : public TXRStreamFiler {
 public:
  explicit ScrapbookFiler(Scrapbook& book) : book_(book) {}

 protected:
  void CreateGroups() override { Groups().Add<ScrapbookGroup>(*this, book_); }

 private:
  Scrapbook& book_;
};

void FillScrapbook(Scrapbook& book) {
  book.album.title = "Wedding";
  book.album.count = 2;
  book.cover.Bytes() = std::vector<uint8_t>(3000, 0x5A);
  book.note = "Saved twice";
  book.spare.model = "Tele 200";
  for (std::string name : {"first", "second"}) {
    TXStreamItem* page = book.pages.Add();
    page->SetDisplayName(name);
    page->Object().SetDataClass(".rtf");
    page->Object().SetBytes(std::vector<uint8_t>(name.begin(), name.end()));
  }
}

const TXFilerHeader kHeader{100, 7000, 500, 0, 0, "Scrapbook", true};

std::vector<uint8_t> SaveScrapbook(Scrapbook& book, const TXFilerHeader& header = kHeader) {
  TXMemoryStream stream;
  ScrapbookFiler filer(book);
  filer.SetObject(&book.album, TXFilerMode::fmAll, header);
  EXPECT_TRUE(filer.SaveToStream(stream)) << ThreadError().ToString();
  return stream.Bytes();
}

TEST(StreamFilerTest, ObjectsItemsAndTheirDataRoundTrip) {
  Scrapbook book;
  FillScrapbook(book);
  TXMemoryStream stream(SaveScrapbook(book));

  Scrapbook copy;
  copy.pages.Add()->SetDisplayName("stale");
  ScrapbookFiler filer(copy);
  filer.SetObject(&copy.album, TXFilerMode::fmAll, kHeader);
  ASSERT_TRUE(filer.LoadFromStream(stream)) << ThreadError().ToString();
  EXPECT_EQ(copy.album.title, "Wedding");
  EXPECT_EQ(copy.cover.Bytes(), book.cover.Bytes());
  EXPECT_EQ(copy.note, "Saved twice");
  EXPECT_EQ(copy.spare.model, "Tele 200");
  ASSERT_EQ(copy.pages.Count(), 2);
  EXPECT_EQ(copy.pages[1]->DisplayName(), "second");
  EXPECT_EQ(copy.pages[1]->Object().DataClass(), ".rtf");
  EXPECT_EQ(copy.pages[1]->Object().Bytes(), std::vector<uint8_t>({'s', 'e', 'c', 'o', 'n', 'd'}));
  EXPECT_EQ(copy.pages[1]->Object().Size(), 6);
}

TEST(StreamFilerTest, RecordsHaveTheDocumentedEntries) {
  Scrapbook book;
  FillScrapbook(book);
  TXMemoryStream stream(SaveScrapbook(book));
  TXQStream container;
  ASSERT_TRUE(container.Open(rfRead, stream));
  const TXRGroupObject* group = container.FindGroup("Scrapbook");
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->Records.size(), 3u);
  const TXRHeaderObject& object = group->Records[0];
  EXPECT_EQ(object.Kind, 3);
  ASSERT_EQ(object.Entries.size(), 5u);
  EXPECT_EQ(object.Entries[0].Kind, ekObject);
  EXPECT_EQ(object.Entries[1].Kind, ekDataIndex);
  EXPECT_EQ(object.Entries[2].Kind, ekBinary);
  EXPECT_EQ(object.Entries[3].Kind, ekString);
  EXPECT_EQ(object.Entries[4].Kind, ekObject);

  const TXRHeaderObject& item = group->Records[1];
  EXPECT_EQ(item.Kind, 2) << "the record kind of an items group";
  ASSERT_EQ(item.Entries.size(), 4u);
  EXPECT_EQ(item.Entries[0].Kind, ekString);
  EXPECT_EQ(item.Entries[1].Kind, ekItem);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(container.ReadEntry("Scrapbook", 0, 0, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("Cover"), std::string::npos);
  ASSERT_TRUE(container.ReadEntry("Scrapbook", 1, 0, bytes, 1));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "key:first");
  ASSERT_TRUE(container.ReadEntry("Scrapbook", 1, 1, bytes, 4));
  std::string xml(bytes.begin(), bytes.end());
  EXPECT_NE(xml.find(">.rtf<"), std::string::npos);
  EXPECT_EQ(xml.find("<p name=\"Data\">"), std::string::npos) << "the bytes are not in the XML";
  EXPECT_TRUE(book.pages[0]->StoreData()) << "the store-data switch is restored";
  TXDataIndex index;
  ASSERT_TRUE(container.ReadEntry("Scrapbook", 1, 2, bytes, 6));
  ASSERT_TRUE(ObjectFromXml(index, std::string(bytes.begin(), bytes.end())));
  ASSERT_EQ(index.Items().Count(), 1);
  EXPECT_EQ(index.Items()[0]->Name(), "Data");
  EXPECT_EQ(index.Items()[0]->Idx(), 3);
}

TEST(StreamFilerTest, HeaderOnlyReadsTheObjectAndNothingElse) {
  Scrapbook book;
  FillScrapbook(book);
  TXMemoryStream stream(SaveScrapbook(book));
  Scrapbook copy;
  copy.pages.Add()->SetDisplayName("kept");
  ScrapbookFiler filer(copy);
  filer.SetObject(&copy.album, TXFilerMode::fmHeaderOnly, kHeader);
  ASSERT_TRUE(filer.LoadFromStream(stream));
  EXPECT_EQ(copy.album.title, "Wedding");
  EXPECT_TRUE(copy.cover.Bytes().empty());
  ASSERT_EQ(copy.pages.Count(), 1);
  EXPECT_EQ(copy.pages[0]->DisplayName(), "kept");
}

TEST(StreamFilerTest, ContainersOfOtherDataAreRefused) {
  Scrapbook book;
  FillScrapbook(book);
  for (TXFilerHeader other : {TXFilerHeader{101, 7000, 500, 0, 0, "Scrapbook", true},
                              TXFilerHeader{100, 7000, 501, 0, 0, "Scrapbook", true},
                              TXFilerHeader{100, 7000, 500, 0, 1, "Scrapbook", true},
                              TXFilerHeader{100, 7000, 500, 0, 0, "Album", true}}) {
    TXMemoryStream stream(SaveScrapbook(book, other));
    Scrapbook copy;
    ScrapbookFiler filer(copy);
    filer.SetObject(&copy.album, TXFilerMode::fmAll, kHeader);
    EXPECT_FALSE(filer.LoadFromStream(stream)) << other.DataKind << other.Title;
    EXPECT_EQ(ThreadError().Code, kErrVersion);
    EXPECT_TRUE(copy.album.title.empty());
    filer.SetObject(&copy.album);
    EXPECT_TRUE(filer.LoadFromStream(stream)) << "an empty expected header accepts any";
  }
  TXFilerHeader untitled = kHeader;
  untitled.CheckTitle = false;
  TXMemoryStream stream(SaveScrapbook(book, TXFilerHeader{100, 7000, 500, 0, 0, "Other"}));
  Scrapbook copy;
  ScrapbookFiler filer(copy);
  filer.SetObject(&copy.album, TXFilerMode::fmAll, untitled);
  EXPECT_TRUE(filer.LoadFromStream(stream));
}

TEST(StreamFilerTest, ATruncatedContainerFailsOnlyAStrictFiler) {
  Scrapbook book;
  FillScrapbook(book);
  TXMemoryStream stream(SaveScrapbook(book));
  stream.SetSize(stream.Size() - 16);
  Scrapbook copy;
  ScrapbookFiler filer(copy);
  filer.SetObject(&copy.album, TXFilerMode::fmAll, kHeader);
  ASSERT_TRUE(filer.LoadFromStream(stream));
  EXPECT_EQ(ThreadError().Code, kErrNoEndRecord);
  EXPECT_EQ(copy.pages.Count(), 2);
  filer.Strict = true;
  EXPECT_FALSE(filer.LoadFromStream(stream));
  EXPECT_EQ(ThreadError().Code, kErrNoEndRecord);
}

TEST(StreamFilerTest, DamagedDataFailsTheLoadWithItsCheck) {
  Scrapbook book;
  FillScrapbook(book);
  TXMemoryStream stream(SaveScrapbook(book));
  TXQStream container;
  ASSERT_TRUE(container.Open(rfRead, stream));
  const TXRHeaderObject& record = container.FindGroup("Scrapbook")->Records[2];
  stream.Bytes()[static_cast<size_t>(record.EntryOffset(3))] ^= 0xFF;
  Scrapbook copy;
  ScrapbookFiler filer(copy);
  filer.SetObject(&copy.album, TXFilerMode::fmAll, kHeader);
  EXPECT_FALSE(filer.LoadFromStream(stream));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
}

TEST(StreamFilerTest, SavingIntoAnExistingFileAddsAndTheLatestObjectWins) {
  test::TempDir dir;
  const std::string path = (dir / "book.kst").string();
  Scrapbook book;
  FillScrapbook(book);
  ScrapbookFiler filer(book);
  filer.SetObject(&book.album, TXFilerMode::fmAll, kHeader);
  ASSERT_TRUE(filer.SaveToFile(path));
  book.album.title = "Wedding, second edition";
  ASSERT_TRUE(filer.SaveToFile(path));
  book.album.title = "Appended";
  ASSERT_TRUE(filer.AppendToFile(path));

  Scrapbook copy;
  ScrapbookFiler reader(copy);
  reader.SetObject(&copy.album, TXFilerMode::fmAll, kHeader);
  ASSERT_TRUE(reader.LoadFromFile(path)) << ThreadError().ToString();
  EXPECT_EQ(copy.album.title, "Appended");
  EXPECT_EQ(copy.pages.Count(), 6) << "items accumulate";

  ScrapbookFiler other(book);
  other.SetObject(&book.album, TXFilerMode::fmAll, TXFilerHeader{5, 1, 1, 0, 0, "Else", true});
  EXPECT_FALSE(other.SaveToFile(path)) << "a file of other data is not written into";
  ASSERT_TRUE(reader.LoadFromFile(path));
}

}  // namespace
}  // namespace kova
