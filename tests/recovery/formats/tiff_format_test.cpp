#include "recovery/formats/tiff_format.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "format_samples.h"
#include "framework/error_data.h"
#include "support/test_paths.h"
#include "support/tiff_image.h"

namespace kova {
namespace {

using test::MeasureAsScanned;
using test::SampleBytes;
using test::TXTiffImage;
using namespace test;  // the entry types

struct TXRawSample {
  const char* Name;
  uint8_t Kind;
  int64_t LastByte;  // -1: the file's last byte
};

// Real camera files. The "head" samples are the first bytes of larger files: their directories
// describe data beyond the cut, and the measurement gives the end of the whole original file. The
// stripped 350D file carries a non-TIFF trailer after its data. Programs that export TIFF files
// keep the camera's make, yet their files are plain TIFF pictures, not raw files.
const TXRawSample kRawSamples[] = {
    {"canon_powershot_s90_head.cr2", skCR2, 13287536},
    {"canon_eos_350d_stripped.cr2", skCR2, 8705},
    {"nikon_d1_head.nef", skNEF, 4055473},
    {"nikon_d70_capture_stripped.nef", skNEF, -1},
    {"adobe_dng_from_canon_350d_stripped.dng", skDNG, -1},
    {"apple_iphone12pro_stripped.dng", skDNG, 29195591},
    {"canon_sd450_chdk_head.dng", skDNG, 6611519},
    {"sony_dslr_a330_head.arw", skARWTIF, 9571747},
    {"pentax_k3ii.pef", skPEF, 28516678},
    {"panasonic_dmc_lx3_stripped.rw2", skRW2, 20524113},
    {"sony_dsc_s600_lzw.tif", skTIF, -1},
    {"graphicconverter_exif.tif", skTIF, -1},
    {"canon_dpp_export_8bit.tif", skTIF, -1},
    {"nikon_viewnx_export_8bit.tif", skTIF, -1},
};

TEST(TiffFormatTest, RealCameraFilesGetTheirFamilyAndTheirEnd) {
  for (const TXRawSample& sample : kRawSamples) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    std::vector<uint8_t> bytes = SampleBytes(path);
    int64_t last = sample.LastByte < 0 ? static_cast<int64_t>(bytes.size()) - 1 : sample.LastByte;
    TXMeasured measured = MeasureAsScanned(bytes);
    EXPECT_EQ(measured.End, last);
    EXPECT_EQ(measured.Format->Kind, sample.Kind);
    EXPECT_EQ(measured.Format->GetExtension(), ClassOfKind(sample.Kind).Ext);
    EXPECT_TRUE(measured.Format->Dimensions.IsEmpty());

    std::vector<uint8_t> medium = test::Embedded(bytes, 16384, bytes.size() + 16384 + 4096);
    EXPECT_EQ(MeasureAsScanned(medium, 16384).End, 16384 + last);
  }
}

TEST(TiffFormatTest, FilesWhoseDirectoriesLieBeyondTheDataAreNotFound) {
  // The Leica file's EXIF directory, the Sony file's raw directory and the Olympus file's first
  // directory lie past the cut.
  for (const char* name : {"leica_m10_head.dng", "sony_zv_e10_head.arw", "olympus_header128.orf"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    ClearThreadError();
    TXMeasured measured = MeasureAsScanned(SampleBytes(path));
    EXPECT_EQ(measured.End, -1);
    EXPECT_EQ(ThreadError().Code, kErrEndOfStream);
    EXPECT_EQ(static_cast<TXDRScanFormatTIF&>(*measured.Format).PreviewOffset, 0);
  }
}

TEST(TiffFormatTest, PanasonicFilesTakeTheirEmbeddedPictureAsThumbnail) {
  KOVA_SAMPLE_OR_SKIP(path, "panasonic_dmc_lx3_stripped.rw2");
  std::vector<uint8_t> bytes = SampleBytes(path);
  TXMemoryStream medium(test::Embedded(bytes, 2048, bytes.size() + 4096));
  TXDRScanFormatRW2 format;
  TXBlocks blocks = test::Extent(2048, bytes.size());
  ASSERT_TRUE(format.ValidateItem(medium, blocks));
  EXPECT_EQ(format.GetExtension(), ".rw2");
  EXPECT_EQ(format.PreviewOffset, 1536) << "where the embedded JPEG's data starts";
  EXPECT_EQ(format.PreviewLength, 10785);
  TXSize size;
  TXImageObject thumbnail;
  ASSERT_TRUE(format.MakeThumbnail(size, thumbnail, blocks, medium));
  EXPECT_EQ(thumbnail.Width(), 8) << "the embedded picture is 8 x 8 and is never enlarged";
  EXPECT_EQ(thumbnail.Height(), 8);
  EXPECT_TRUE(size.IsEmpty()) << "the embedded picture's size is not the raw file's";
}

TEST(TiffFormatTest, ThumbnailsOfCutRawFilesFailCleanly) {
  // Both previews lie beyond the cut.
  for (const char* name : {"canon_powershot_s90_head.cr2", "sony_dslr_a330_head.arw"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = SampleBytes(path);
    TXMemoryStream stream(bytes);
    TXMeasured measured = MeasureAsScanned(bytes);
    TXSize size;
    TXImageObject thumbnail;
    EXPECT_FALSE(
        measured.Format->MakeThumbnail(size, thumbnail, test::Extent(0, bytes.size()), stream));
    EXPECT_TRUE(thumbnail.IsEmpty());
  }
}

// A JPEG photograph from the samples, to embed as a preview.
std::vector<uint8_t> Photo(const char* name) {
  return SampleBytes(test::SamplesDir() / name);
}

TEST(TiffFormatTest, ACanonPreviewStripIsTheThumbnailAndTheLargestStripEndTheEnd) {
  KOVA_SAMPLE_OR_SKIP(path, "ricoh_rdc5300_exif_thumb.jpg");
  std::vector<uint8_t> preview = Photo("ricoh_rdc5300_exif_thumb.jpg");
  auto length = static_cast<uint32_t>(preview.size());
  TXTiffImage file(false, 4096 + length, 8);
  file.Directory(8, {{271, ttAscii, 6, 200}, {273, ttLong, 1, 4096}, {279, ttLong, 1, length}},
                 100);
  file.Text(200, "Canon");
  file.Directory(100, {{273, ttLong, 1, 600000}, {279, ttLong, 1, 400000}});
  file.Bytes(4096, preview);

  TXMeasured measured = MeasureAsScanned(file.Data());
  EXPECT_EQ(measured.End, 999999) << "the second directory's strip ends last";
  EXPECT_EQ(measured.Format->GetExtension(), ".cr2") << "the make is compared in capitals";
  EXPECT_EQ(static_cast<TXDRScanFormatTIF&>(*measured.Format).PreviewLength, length);
  // The raw strip lies beyond the readable medium: only the bytes up to the preview are copied.
  TXMemoryStream stream(file.Data());
  TXSize size;
  TXImageObject thumbnail;
  ASSERT_TRUE(
      measured.Format->MakeThumbnail(size, thumbnail, test::Extent(0, measured.End + 1), stream));
  EXPECT_EQ(thumbnail.Width(), 72);
  EXPECT_EQ(thumbnail.Height(), 48);
  EXPECT_TRUE(size.IsEmpty());
}

TEST(TiffFormatTest, ANikonThumbnailIsTheLastJpegNamed) {
  KOVA_SAMPLE_OR_SKIP(path, "ricoh_rdc5300_exif_thumb.jpg");
  std::vector<uint8_t> first = Photo("canon_ixus_exif_thumb.jpg");    // 640 x 480
  std::vector<uint8_t> last = Photo("ricoh_rdc5300_exif_thumb.jpg");  // 896 x 600
  uint32_t firstAt = 1024, lastAt = 1024 + static_cast<uint32_t>(first.size());
  uint32_t end = lastAt + static_cast<uint32_t>(last.size());
  TXTiffImage file(true, end, 8);
  file.Directory(8,
                 {{271, ttAscii, 18, 300},
                  {513, ttLong, 1, firstAt},
                  {514, ttLong, 1, static_cast<uint32_t>(first.size())}},
                 120);
  file.Text(300, "NIKON CORPORATION");
  file.Directory(120, {{513, ttLong, 1, lastAt}, {514, ttLong, 1, end - lastAt}}, 200);
  file.Directory(200, {{273, ttLong, 1, firstAt}, {279, ttLong, 1, end - firstAt}});
  file.Bytes(firstAt, first);
  file.Bytes(lastAt, last);

  TXMeasured measured = MeasureAsScanned(file.Data());
  EXPECT_EQ(measured.End, end - 1);
  EXPECT_EQ(measured.Format->GetExtension(), ".nef");
  TXMemoryStream stream(file.Data());
  TXSize size;
  TXImageObject thumbnail;
  ASSERT_TRUE(measured.Format->MakeThumbnail(size, thumbnail, test::Extent(0, end), stream));
  EXPECT_EQ(thumbnail.Height(), 48) << "the 896 x 600 picture, not the first strip";
}

TEST(TiffFormatTest, DngAndPlainTiffFilesGetNoThumbnail) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  std::vector<uint8_t> photo = Photo("canon_ixus_exif_thumb.jpg");
  auto length = static_cast<uint32_t>(photo.size());
  for (bool dng : {true, false}) {
    SCOPED_TRACE(dng ? "DNG" : "TIFF");
    TXTiffImage file(false, 2048 + length, 8);
    std::vector<TXTiffEntrySpec> entries = {
        {271, ttAscii, 6, 200}, {513, ttLong, 1, 2048}, {514, ttLong, 1, length}};
    if (dng) entries.push_back({50706, ttByte, 4, 0x00000401});
    file.Directory(8, entries);
    file.Text(200, dng ? "NIKON" : "Acme");
    file.Bytes(2048, photo);
    TXMeasured measured = MeasureAsScanned(file.Data());
    EXPECT_EQ(measured.End, 205) << "only the make lies outside the value fields";
    EXPECT_EQ(measured.Format->GetExtension(), dng ? ".dng" : ".tif");
    TXMemoryStream stream(file.Data());
    TXSize size;
    TXImageObject thumbnail;
    EXPECT_FALSE(measured.Format->MakeThumbnail(size, thumbnail,
                                                test::Extent(0, file.Data().size()), stream));
    EXPECT_TRUE(thumbnail.IsEmpty());
  }
}

TEST(TiffFormatTest, AWholeColourPictureFirstIsAPlainTiffWhateverTheMake) {
  struct TXCase {
    const char* Why;
    std::vector<TXTiffEntrySpec> Extra;
    const char* Ext;
  };
  const TXCase cases[] = {
      {"an RGB picture", {{262, ttShort, 1, 2}}, ".tif"},
      {"a grey picture marked as the main one",
       {{254, ttLong, 1, 0}, {262, ttShort, 1, 1}},
       ".tif"},
      {"a reduced picture first", {{254, ttLong, 1, 1}, {262, ttShort, 1, 2}}, ".nef"},
      {"sensor data first", {{262, ttShort, 1, 32803}}, ".nef"},
      {"sub-directories", {{262, ttShort, 1, 2}, {330, ttLong, 1, 400}}, ".nef"},
      {"no colour information", {}, ".nef"},
  };
  for (const TXCase& c : cases) {
    SCOPED_TRACE(c.Why);
    TXTiffImage file(false, 4096, 8);
    std::vector<TXTiffEntrySpec> entries = c.Extra;
    entries.insert(entries.end(),
                   {{271, ttAscii, 6, 200}, {273, ttLong, 1, 1024}, {279, ttLong, 1, 3072}});
    std::ranges::sort(entries, {}, &TXTiffEntrySpec::Tag);
    file.Directory(8, entries);
    file.Text(200, "NIKON");
    file.Directory(400, {{273, ttLong, 1, 1024}, {279, ttLong, 1, 3072}});
    TXMeasured measured = MeasureAsScanned(file.Data());
    EXPECT_EQ(measured.End, 4095);
    EXPECT_EQ(measured.Format->GetExtension(), c.Ext);
  }
}

TEST(TiffFormatTest, SonyModelsDecideTheirFamily) {
  struct TXCase {
    const char* Model;
    bool Strips;
    uint8_t Kind;
    int64_t LastByte;
  };
  // Make at 300 ("SONY", 5 bytes with its zero) and the model at 320 (16 bytes) end at 336.
  const TXCase cases[] = {
      {"DSLR-A700", true, skARWTIF, 5999},
      {"DSC-R1", true, skSR2, 5999},
      {"DSC-F828", false, skSRF, 336 + 2000 - 1},  // the lone byte count follows the data
      {"DSC-F828", true, skTIF, 5999},
  };
  for (const TXCase& c : cases) {
    SCOPED_TRACE(c.Model);
    TXTiffImage file(false, 400, 8);
    std::vector<TXTiffEntrySpec> entries = {{271, ttAscii, 5, 300}, {272, ttAscii, 16, 320}};
    if (c.Strips) entries.push_back({273, ttLong, 1, 5000});
    entries.push_back({279, ttLong, 1, c.Strips ? 1000u : 2000u});
    file.Directory(8, entries);
    file.Text(300, "SONY");
    file.Text(320, c.Model);
    TXMeasured measured = MeasureAsScanned(file.Data());
    EXPECT_EQ(measured.Format->Kind, c.Kind);
    EXPECT_EQ(measured.End, c.LastByte);
  }
}

TEST(TiffFormatTest, ASonyA100HasAFixedLengthWhenItsRawDirectoryLiesBeyondTheData) {
  for (uint32_t subDirectory : {900000u, 200u}) {
    TXTiffImage file(false, 400, 8);
    file.Directory(8, {{271, ttAscii, 5, 300},
                       {272, ttAscii, 10, 320},
                       {273, ttLong, 1, 1000},
                       {279, ttLong, 1, 500},
                       {330, ttLong, 1, subDirectory}});
    file.Text(300, "SONY");
    file.Text(320, "DSLR-A100");
    TXMeasured measured = MeasureAsScanned(file.Data());
    EXPECT_EQ(measured.Format->Kind, skARW) << "not the TIFF-headed Sony kind";
    EXPECT_EQ(measured.Format->GetExtension(), ".arw");
    EXPECT_EQ(measured.End, subDirectory > 1500 ? 20534751 : 1499)
        << "the sub-directory is not read";
  }
}

TEST(TiffFormatTest, APanasonicRawWithoutByteCountEndsAfterTwoBytesPerSensorPixel) {
  TXTiffImage file(std::string("IIU\0", 4), 400, 8);
  file.Directory(8, {{2, ttShort, 1, 100},
                     {3, ttShort, 1, 50},
                     {271, ttAscii, 10, 200},
                     {273, ttLong, 1, 0xFFFFFFFF},
                     {280, ttLong, 1, 4096}});
  file.Text(200, "Panasonic");
  TXMeasured measured = MeasureAsScanned(file.Data());
  EXPECT_EQ(measured.Format->Kind, skRW2);
  EXPECT_EQ(measured.End, 4096 + 100 * 50 * 2 - 1);
}

TEST(TiffFormatTest, AnOlympusHeaderGivesAnOlympusFile) {
  TXTiffImage file(std::string("IIRO", 4), 400, 8);
  file.Directory(8, {{271, ttAscii, 8, 200}, {273, ttLong, 1, 1024}, {279, ttLong, 1, 1024}});
  file.Text(200, "OLYMPUS");
  TXMeasured measured = MeasureAsScanned(file.Data());
  EXPECT_EQ(measured.Format->GetExtension(), ".orf");
  EXPECT_EQ(measured.End, 2047);
}

TEST(TiffFormatTest, DirectoriesThatDescribeNothingOutsideTheirValueFieldsAreNotFound) {
  TXTiffImage file(false, 200, 8);
  file.Directory(8, {{256, ttShort, 1, 64}, {257, ttShort, 1, 48}, {271, ttAscii, 4, 0x4D4F4F}});
  EXPECT_EQ(MeasureAsScanned(file.Data()).End, -1);
  TXTiffImage notTiff(false, 200, 8);
  notTiff.Data()[0] = 'X';
  EXPECT_EQ(test::MeasureBytes(skTIF, notTiff.Data()).End, -1);
}

TEST(TiffFormatTest, LoopingAndSelfNamingDirectoriesEnd) {
  // The chain loops back to its first directory; the second directory names itself and the first
  // as sub-directories, and the EXIF pointer names the first again.
  TXTiffImage looped(false, 600, 8);
  looped.Directory(8, {{273, ttLong, 1, 1000}, {279, ttLong, 1, 100}, {34665, ttLong, 1, 8}}, 100);
  looped.Directory(100, {{273, ttLong, 1, 3000}, {279, ttLong, 1, 100}, {330, ttLong, 2, 400}}, 8);
  looped.Longs(400, {100, 8});
  EXPECT_EQ(MeasureAsScanned(looped.Data()).End, 3099);

  // Sub-directories nested far deeper than any camera nests them.
  TXTiffImage deep(false, 60 * 44 + 100, 8);
  for (uint32_t level = 0; level < 60; ++level) {
    uint32_t at = 8 + 44 * level;
    deep.Directory(
        at, {{273, ttLong, 1, 10000 + level}, {279, ttLong, 1, 1}, {330, ttLong, 1, at + 44}});
  }
  int64_t end = MeasureAsScanned(deep.Data()).End;
  EXPECT_GT(end, 10000);
  EXPECT_LT(end, 10000 + 60) << "the walk stops descending";
}

TEST(TiffFormatTest, AbsurdCountsEndTheMeasurementWithoutHuge) {
  ClearThreadError();
  TXTiffImage strips(false, 1 << 20, 8);
  strips.Directory(8, {{273, ttLong, 0xFFFFFFFF, 200}, {279, ttLong, 0xFFFFFFFF, 200}});
  EXPECT_EQ(MeasureAsScanned(strips.Data()).End, -1) << "four billion strips";

  TXTiffImage entries(false, 4096, 8);
  entries.U16(8, 0xFFFF);
  EXPECT_EQ(MeasureAsScanned(entries.Data()).End, -1) << "a directory running past the data";
  EXPECT_EQ(ThreadError().Code, kErrEndOfStream);

  TXTiffImage name(false, 4096, 8);
  name.Directory(8, {{271, ttAscii, 0x7FFFFFFF, 100}, {273, ttLong, 1, 100}, {279, ttLong, 1, 1}});
  EXPECT_EQ(MeasureAsScanned(name.Data()).End, -1) << "a make of two gigabytes";

  TXTiffImage tag(false, 4096, 8);
  tag.Directory(8, {{700, ttUndefined, 0xFFFFFFFF, 100}});
  EXPECT_EQ(MeasureAsScanned(tag.Data()).End, 100 + 0xFFFFFFFFll - 1)
      << "data of other tags is only counted, never read";
}

TEST(TiffFormatTest, AStoppedRunFindsNothingAndRecordsNothing) {
  TXTiffImage file(false, 400, 8);
  file.Directory(8, {{273, ttLong, 1, 1000}, {279, ttLong, 1, 100}});
  TXMemoryStream stream(file.Data());
  test::TXTestSearch search(stream);
  search.Terminate();
  ClearThreadError();
  TXDRScanFormatTIF format;
  EXPECT_EQ(format.FindEnd(search.Search(), 0), -1);
  EXPECT_FALSE(format.Check(search.Search(), 0));
  EXPECT_EQ(ThreadError().Code, 0);
}

}  // namespace
}  // namespace kova
