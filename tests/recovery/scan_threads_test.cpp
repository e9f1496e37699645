#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string_view>

#include "fat/card_fixture.h"
#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"
#include "recovery/scan_harness.h"
#include "support/offered_files.h"
#include "support/tiff_image.h"

// Thumbnails are decoded on a pool of threads while the scan goes on; what a scan finds must not
// depend on how many threads decode: the same files in the same order, with the same extents,
// sizes, states and thumbnails.
namespace kova {
namespace {

using test::FixtureCard;
using test::Photo;
using test::ScanHarness;

// A photo whose structure is sound, so that the search measures it, but whose frame header
// claims 12-bit samples, which the decoder does not read: its thumbnail cannot be made.
mkcard::Content Undecodable(mkcard::Content photo) {
  mkcard::Bytes& bytes = photo.bytes;
  for (size_t at = 2; at + 4 < bytes.size(); at += 2 + (bytes[at + 2] << 8 | bytes[at + 3])) {
    if (bytes[at + 1] == 0xC0) {
      bytes[at + 4] = 12;
      return photo;
    }
  }
  ADD_FAILURE() << "no frame header";
  return photo;
}

// A photo cut in the middle of its picture data: no end marker of its own.
mkcard::Content CutShort(mkcard::Content photo) {
  photo.bytes.resize(photo.bytes.size() / 2);
  return photo;
}

mkcard::Content Bytes(mkcard::Bytes bytes) {
  mkcard::Content content;
  content.bytes = std::move(bytes);
  content.kind = "data";
  return content;
}

mkcard::Content Video(bool avi, uint64_t seed) {
  mkcard::MovieOptions options;
  options.seed = seed;
  mkcard::Content content;
  EXPECT_TRUE((avi ? mkcard::MakeAviVideo(options, &content)
                   : mkcard::MakeQuickTimeMovie(options, &content))
                  .ok());
  return content;
}

mkcard::Content Tiff(uint64_t seed) {
  mkcard::TiffOptions options;
  options.seed = seed;
  mkcard::Content content;
  EXPECT_TRUE(mkcard::MakeTiffPicture(options, &content).ok());
  return content;
}

// A Nikon raw file whose thumbnail is the last of its two embedded JPEG pictures.
mkcard::Content NikonRaw() {
  const mkcard::Bytes first = Photo(640, 480, 401).bytes;
  const mkcard::Bytes last = Photo(896, 600, 402).bytes;
  const uint32_t firstAt = 1024;
  const auto lastAt = firstAt + static_cast<uint32_t>(first.size());
  const auto end = lastAt + static_cast<uint32_t>(last.size());
  test::TXTiffImage file(true, end, 8);
  file.Directory(8,
                 {{271, test::ttAscii, 18, 300},
                  {513, test::ttLong, 1, firstAt},
                  {514, test::ttLong, 1, lastAt - firstAt}},
                 120);
  file.Text(300, "NIKON CORPORATION");
  file.Directory(120, {{513, test::ttLong, 1, lastAt}, {514, test::ttLong, 1, end - lastAt}}, 200);
  file.Directory(200, {{273, test::ttLong, 1, firstAt}, {279, test::ttLong, 1, end - firstAt}});
  file.Bytes(firstAt, first);
  file.Bytes(lastAt, last);
  return Bytes(file.Data());
}

// Everything a scan tells about one found file, its thumbnail's bytes included.
std::string Portrait(const TXDRFileItem& item, bool withName = true) {
  std::ostringstream text;
  const std::vector<uint8_t>& picture = item.Thumbnail.Bytes();
  text << (withName ? item.Name : "") << ' ' << LowerCase(item.Ext) << " status "
       << int{item.Status.Bits()} << " at " << test::Describe(item.Blocks()) << " size "
       << item.Dimensions.Width << 'x' << item.Dimensions.Height << " volume " << item.Volume
       << " folder '" << item.Folder << "' reused " << item.ClustersReused << " modified "
       << item.Modified << " thumbnail " << item.Thumbnail.DataClass() << ' '
       << item.Thumbnail.Width() << 'x' << item.Thumbnail.Height() << " #"
       << std::hash<std::string_view>()(
              std::string_view(reinterpret_cast<const char*>(picture.data()), picture.size()));
  return text.str();
}

std::vector<std::string> Portraits(TXDRFileCollection& files, bool withNames = true) {
  std::vector<std::string> portraits;
  for (int32_t i = 0; i < files.Count(); ++i)
    portraits.push_back(Portrait(*files[i], withNames));
  return portraits;
}

// A FAT32 card with live, deleted and lost-folder files, photos whose thumbnails cannot be made
// among them, and files in free space that only the search finds: good photos with undecodable
// ones between them, and an undecodable photo cut short whose end marker lies beyond the TIFF
// after it (the search must come back into it once the photo is refused).
class ScanThreads : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat32Options(48 << 20, 1));
    ASSERT_TRUE(card_->Formatted().ok());
    mkcard::CardBuilder& card = card_->Builder();
    KOVA_CARD_OK(card.MakeFolder("DCIM"));
    KOVA_CARD_OK(card.MakeFolder("DCIM/100KOVA"));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0001.JPG", Photo(2400, 1800, 1, true)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0002.JPG", Photo(1024, 768, 2)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0003.JPG", Undecodable(Photo(1600, 1200, 3))));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/MVI_0004.AVI", Video(true, 4)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0005.JPG", Photo(2400, 1800, 5)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0006.JPG", Undecodable(Photo(1600, 1200, 6))));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0007.JPG", Photo(1600, 1200, 7)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/MVI_0008.MOV", Video(false, 8)));
    KOVA_CARD_OK(card.MakeFolder("DCIM/101KOVA"));
    KOVA_CARD_OK(card.WriteFile("DCIM/101KOVA/KOVA0101.JPG", Photo(2048, 1536, 101)));
    KOVA_CARD_OK(card.WriteFile("DCIM/101KOVA/KOVA0102.JPG", Undecodable(Photo(1024, 768, 102))));
    KOVA_CARD_OK(card.WriteFile("DCIM/101KOVA/KOVA0103.JPG", Photo(1024, 768, 103)));
    KOVA_CARD_OK(card.WriteFile("DCIM/100KOVA/KOVA0009.JPG", Photo(2400, 1800, 9)));
    KOVA_CARD_OK(card.Delete("DCIM/100KOVA/KOVA0005.JPG"));
    KOVA_CARD_OK(card.Delete("DCIM/100KOVA/KOVA0006.JPG"));
    KOVA_CARD_OK(card.Delete("DCIM/101KOVA"));

    uint32_t cluster = 70000;
    auto raw = [&](const mkcard::Content& content, const std::string& name) {
      KOVA_CARD_OK(card.WriteRaw(card_->ClusterOffset(cluster), content, name));
      cluster += static_cast<uint32_t>(content.bytes.size() / card_->ClusterBytes()) + 2;
    };
    raw(Photo(2400, 1800, 301), "A.JPG");
    raw(CutShort(Undecodable(Photo(2400, 1800, 302))), "B-CUT.JPG");
    raw(Tiff(303), "SWALLOWED.TIF");
    raw(Bytes({0x00, 0xFF, 0xD9}), "END-OF-B");
    raw(Photo(1600, 1200, 304), "C.JPG");
    raw(Undecodable(Photo(2400, 1800, 305)), "D.JPG");
    raw(Photo(1024, 768, 306), "E.JPG");
    raw(Video(true, 307), "F.AVI");
    raw(Photo(2400, 1800, 308), "G.JPG");
    raw(NikonRaw(), "H.NEF");
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() {
    delete card_;
    card_ = nullptr;
  }

  // The files a scan with the thread count finds; `prepare` may watch the run first.
  static std::vector<std::string> Scan(int32_t threads,
                                       const std::function<void(ScanHarness&)>& prepare = {},
                                       bool withNames = true) {
    ScanHarness scan;
    scan.gear.Data().Threads = threads;
    if (prepare) prepare(scan);
    EXPECT_TRUE(scan.ScanImage(card_->Image().string()));
    EXPECT_EQ(scan.added.size(), static_cast<size_t>(scan.Files().Count()));
    return Portraits(scan.Files(), withNames);
  }

  static FixtureCard* card_;
};
FixtureCard* ScanThreads::card_ = nullptr;

bool Holds(const std::vector<std::string>& portraits, std::string_view text) {
  return std::ranges::any_of(portraits,
                             [text](const std::string& p) { return p.find(text) != p.npos; });
}

TEST_F(ScanThreads, FindTheSameFilesInTheSameOrderWhateverTheThreadCount) {
  const std::vector<std::string> alone = Scan(1);
  // What was written to the card: the live, deleted and lost-folder files, and the files in
  // free space except the two photos that cannot be decoded.
  for (const mkcard::ManifestRecord& record : card_->Manifest().records) {
    if (record.folder) continue;
    const std::string at = " at " + test::Describe(test::ExtentsOf(record)) + " ";
    const bool undecodable = record.path == "B-CUT.JPG" || record.path == "D.JPG";
    const bool onlyBytes = record.path == "END-OF-B";
    EXPECT_EQ(Holds(alone, at), !undecodable && !onlyBytes) << record.path;
  }
  // Live and deleted photos whose thumbnails fail are still found, marked as such.
  const std::string failed = " status " + std::to_string(1 << drThnError | 1 << drEntry);
  EXPECT_TRUE(Holds(alone, "KOVA0003.JPG .jpg" + failed)) << testing::PrintToString(alone);
  // The raw file's thumbnail comes from its embedded picture.
  const std::string made = " status " + std::to_string(1 << drThnValidated | 1 << drScanValid);
  EXPECT_TRUE(Holds(alone, ".nef" + made)) << testing::PrintToString(alone);

  EXPECT_EQ(Scan(2), alone);
  EXPECT_EQ(Scan(8), alone);
}

// A cancel taken at the k-th offered file (on the scan thread, so at the same point of every
// run) leaves the same files, the ones offered up to it.
TEST_F(ScanThreads, ACancelLeavesTheSameFilesWhateverTheThreadCount) {
  const std::vector<std::string> all = Scan(1);
  for (int cancelAt : {2, 11, 15}) {
    SCOPED_TRACE(cancelAt);
    auto cancelling = [cancelAt](ScanHarness& scan) {
      auto offered = std::make_shared<int>(0);
      IXWorker& worker = scan.gear.Worker();
      worker.AddObserver(AspectClassOf<TXDRFoundFileAspect>(),
                         TXHandler(&scan, "cancel", [offered, cancelAt, &worker](AXNotification&) {
                           if (++*offered == cancelAt) worker.Cancel();
                         }));
    };
    const std::vector<std::string> alone = Scan(1, cancelling);
    ASSERT_LT(alone.size(), all.size());
    ASSERT_FALSE(alone.empty());
    EXPECT_TRUE(std::equal(alone.begin(), alone.end(), all.begin()));
    EXPECT_EQ(Scan(2, cancelling), alone);
    EXPECT_EQ(Scan(8, cancelling), alone);
  }
}

// A scan for some types finds what the full scan finds of those types.
TEST_F(ScanThreads, ATypeFilterKeepsWhatTheFullScanFindsOfThoseTypes) {
  struct Types : TXGear, IXDRRunDataSource {
    Types() : TXGear("data") {}
    TXDRFileCollection& FoundFiles() override { return files; }
    TXExtensionList ScanExtensions() override { return {".avi", ".tif"}; }
    uint16_t ScanCodePage() override { return kDefaultCodePage; }
    TXDRFileCollection files;
  };
  std::vector<std::string> expected;
  for (const std::string& portrait : Scan(2, {}, false)) {
    if (portrait.starts_with(" .avi ") || portrait.starts_with(" .tif ")) {
      expected.push_back(portrait);
    }
  }
  ASSERT_EQ(expected.size(), 3u);
  auto filtered = [](ScanHarness& scan) {
    scan.engine.CreateGear<Types>();
    DispatchAspect<TXAssembleAspect>(scan.engine);
  };
  for (int32_t threads : {1, 2}) {
    EXPECT_EQ(Scan(threads, filtered, false), expected) << threads;
  }
}

}  // namespace
}  // namespace kova
