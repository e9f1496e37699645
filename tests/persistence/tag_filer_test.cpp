#include "persistence/tag_filer.h"

#include <gtest/gtest.h>

#include "filer_test_objects.h"
#include "framework/text_utils.h"
#include "persistence/text_filer.h"

namespace kova {
namespace {

using test::Album;
using test::Shot;

// Object content: the album's title; item content: the shot's caption.
class CatalogGroup : public TXTagFilerGroup {
 public:
  CatalogGroup(TXFiler& filer, Album& album, std::string objectTag)
      : TXTagFilerGroup(filer, "Catalog", &album, &album.Shots(), std::move(objectTag), "shot",
                        "catalog"),
        album_(album) {}

 protected:
  std::string ObjectContent() override { return album_.title; }
  void ReadObjectContent(std::string_view content) override { album_.title = content; }
  std::string ItemContent(TXCollectionItem& item) override {
    return static_cast<Shot&>(item).caption;
  }
  void ReadItemContent(TXCollectionItem& item, std::string_view content) override {
    static_cast<Shot&>(item).caption = content;
  }

 private:
  Album& album_;
};

class CatalogFiler : public TXTagFiler {
 protected:
  void CreateGroups() override {
    Groups().Add<CatalogGroup>(*this, static_cast<Album&>(*Object()), "album");
  }
};

void FillAlbum(Album& album) {
  album.title = "Summer";
  Shot* first = album.Shots().Add();
  first->SetDisplayName("IMG \"1\" & more.jpg");
  first->caption = "Beach\r\nat dusk";
  Shot* second = album.Shots().Add();
  second->SetDisplayName("Ägypten.jpg");
  second->caption = "";
}

TEST(TagFilerTest, TaggedTextHasTheDocumentedFraming) {
  Album album;
  FillAlbum(album);
  album.Shots().Delete(1);
  CatalogFiler filer;
  filer.SetObject(&album);
  std::string text;
  ASSERT_TRUE(filer.SaveToString(text));
  EXPECT_EQ(text,
            "<catalog>\r\n"
            "<album>\r\nSummer\r\n</album>\r\n"
            "<shot name=\"IMG &quot;1&quot; &amp; more.jpg\">\r\nBeach\r\nat dusk\r\n</shot>\r\n"
            "\r\n</catalog>\r\n");
}

TEST(TagFilerTest, ObjectsAndItemsRoundTripAndReadingClearsTheCollection) {
  Album album;
  FillAlbum(album);
  CatalogFiler filer;
  filer.SetObject(&album);
  std::string text;
  ASSERT_TRUE(filer.SaveToString(text));

  Album copy;
  copy.Shots().Add()->SetDisplayName("stale");
  CatalogFiler reader;
  reader.SetObject(&copy);
  ASSERT_TRUE(reader.LoadFromString(text));
  ASSERT_TRUE(reader.LoadFromString(text));
  EXPECT_EQ(copy.title, "Summer");
  ASSERT_EQ(copy.Shots().Count(), 2);
  EXPECT_EQ(copy.Shots()[0]->DisplayName(), "IMG \"1\" & more.jpg");
  EXPECT_EQ(copy.Shots()[0]->caption, "Beach\r\nat dusk");
  EXPECT_EQ(copy.Shots()[1]->DisplayName(), "Ägypten.jpg");
  EXPECT_EQ(copy.Shots()[1]->caption, "");
}

TEST(TagFilerTest, ALongerTagWithTheSamePrefixIsNotAnItem) {
  std::string text =
      "<shots name=\"x\">\r\nnot me\r\n</shots>\r\n<shot>\r\nno name\r\n</shot>"
      "<shot name=\"y\">\r\nme\r\n</shot>";
  std::optional<TXTagBlock> first = FindTagBlock(text, "shot");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Name, "");
  EXPECT_EQ(first->Content, "no name");
  std::optional<TXTagBlock> second = FindTagBlock(text, "shot", first->End);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Name, "y");
  EXPECT_EQ(second->Content, "me");
  EXPECT_FALSE(FindTagBlock(text, "shot", second->End));
  EXPECT_FALSE(FindTagBlock("<shot name=\"open\">never closed", "shot"));
}

TEST(TagFilerTest, ANamedObjectAloneIsWrittenWithTheItemTagAndItsName) {
  class SingleGroup : public TXTagFilerGroup {
   public:
    SingleGroup(TXFiler& filer, Album& album)
        : TXTagFilerGroup(filer, "Single", &album, nullptr, "", "shot", ""), album_(album) {}

   protected:
    std::string ObjectContent() override { return album_.title; }
    void ReadObjectContent(std::string_view content) override { album_.title = content; }

   private:
    Album& album_;
  };
  class SingleFiler : public TXTagFiler {
   protected:
    void CreateGroups() override {
      Groups().Add<SingleGroup>(*this, static_cast<Album&>(*Object()));
    }
  };
  Album album;
  album.SetName("Trip");
  album.title = "Alps";
  SingleFiler filer;
  filer.SetObject(&album);
  std::string text;
  ASSERT_TRUE(filer.SaveToString(text));
  EXPECT_EQ(text, "<shot name=\"Trip\">\r\nAlps\r\n</shot>\r\n");
  Album copy;
  SingleFiler reader;
  reader.SetObject(&copy);
  ASSERT_TRUE(reader.LoadFromString(text));
  EXPECT_EQ(copy.Name(), "Trip");
  EXPECT_EQ(copy.title, "Alps");
}

// One line per shot: its name; the album's title on the first line.
class LinesGroup : public TXTextFilerGroup {
 public:
  LinesGroup(TXFiler& filer, Album& album)
      : TXTextFilerGroup(filer, "Lines", &album, &album.Shots()), album_(album) {}

 protected:
  std::string ObjectText() override { return album_.title + "\n"; }
  std::string ItemText(TXCollectionItem& item) override { return item.DisplayName() + "\n"; }
  void ReadText(std::string_view text) override {
    std::vector<std::string> lines = SplitLines(text);
    if (lines.empty()) return;
    album_.title = lines[0];
    for (size_t i = 1; i < lines.size(); ++i)
      album_.Shots().Add()->SetDisplayName(lines[i]);
  }

 private:
  Album& album_;
};

class LinesFiler : public TXTextFiler {
 protected:
  void CreateGroups() override { Groups().Add<LinesGroup>(*this, static_cast<Album&>(*Object())); }
};

TEST(TextFilerTest, TheObjectTextComesFirstThenEveryItemInOrder) {
  Album album;
  FillAlbum(album);
  LinesFiler filer;
  filer.SetObject(&album);
  std::vector<std::string> lines;
  ASSERT_TRUE(filer.SaveToStrings(lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"Summer", "IMG \"1\" & more.jpg", "Ägypten.jpg"}));
  Album copy;
  copy.Shots().Add();
  LinesFiler reader;
  reader.SetObject(&copy);
  ASSERT_TRUE(reader.LoadFromStrings({"Winter", "a.jpg", "b.jpg"}));
  EXPECT_EQ(copy.title, "Winter");
  ASSERT_EQ(copy.Shots().Count(), 2);
  EXPECT_EQ(copy.Shots()[1]->DisplayName(), "b.jpg");
}

}  // namespace
}  // namespace kova
