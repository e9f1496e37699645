#include "persistence/rstream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "framework/error_data.h"
#include "support/test_paths.h"

namespace kova {
namespace {

std::string TextOf(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

std::string Slice(const TXMemoryStream& stream, size_t from, size_t count) {
  return std::string(reinterpret_cast<const char*>(stream.Data()) + from, count);
}

// A container of one group "Pictures" and `records` records of three entries each: a compressed
// text, a raw text (kind 5) and an empty entry.
void WriteSample(TXQStream& container, TXMemoryStream& stream, int records) {
  container.FileHeader().DataKind = 100;
  container.FileHeader().AppID = 7000;
  container.FileHeader().AppVer = 500;
  container.FileHeader().Title = "Language";
  ASSERT_TRUE(container.Open(rfCreate | rfWrite, stream));
  TXMemoryStream groupData(std::vector<uint8_t>(1000, 'g'));
  ASSERT_TRUE(container.AddGroup("Pictures", &groupData));
  for (int i = 0; i < records; ++i) {
    ASSERT_TRUE(container.BeginRecord("Pictures", 3, 3));
    ASSERT_TRUE(container.WriteEntry(-3, "compressed text of record " + std::to_string(i)));
    ASSERT_TRUE(container.WriteEntry(5, "RAW-" + std::to_string(i)));
    ASSERT_TRUE(container.WriteEntry(-1, std::string()));
    ASSERT_TRUE(container.EndRecord());
  }
}

TEST(RStreamTest, TheFileHeaderLinksAndEndRecordHaveTheirLayout) {
  TXMemoryStream stream;
  TXQStream container;
  WriteSample(container, stream, 5);
  const uint8_t* bytes = stream.Data();
  EXPECT_EQ(Slice(stream, 0, 4), "XXFQ");
  EXPECT_EQ(ReadLE32(bytes + 4), ::crc32(0, bytes + 8, 75)) << "CRC over bytes 8 to 82";
  EXPECT_EQ(ReadLE32(bytes + 8), 1u);
  EXPECT_EQ(ReadLE32(bytes + 12), 100u);
  EXPECT_EQ(ReadLE32(bytes + 16), 7000u);
  EXPECT_EQ(ReadLE32(bytes + 20), 500u);
  EXPECT_EQ(bytes[32], 8);
  EXPECT_EQ(Slice(stream, 33, 8), "Language");
  EXPECT_EQ(Slice(stream, 83, 24), std::string(24, '\0'));
  EXPECT_EQ(Slice(stream, 107, 4), "XXNQ") << "the first link sits at 107";
  EXPECT_EQ(ReadLE32(bytes + 111), ::crc32(0, bytes + 115, 8));
  EXPECT_EQ(Slice(stream, 123, 4), "XXGQ");
  EXPECT_EQ(Slice(stream, stream.Bytes().size() - 16, 16), "XXEQ" + std::string(12, '\0'));
}

TEST(RStreamTest, WrittenEntriesReadBackAndRawKindsMatchEitherSign) {
  TXMemoryStream stream;
  TXQStream writer;
  WriteSample(writer, stream, 5);
  TXQStream reader;
  ASSERT_TRUE(reader.Open(rfRead, stream)) << ThreadError().ToString();
  EXPECT_EQ(ThreadError().Code, kErrNone);
  ASSERT_NE(reader.FindGroup("Pictures"), nullptr);
  EXPECT_EQ(reader.FindGroup("Pictures")->Records.size(), 5u);
  EXPECT_EQ(reader.FindGroup("pictures"), nullptr) << "group names compare exactly";
  EXPECT_EQ(reader.FileHeader().Title, "Language");

  std::vector<uint8_t> data;
  ASSERT_TRUE(reader.ReadEntry("Pictures", 4, 0, data, -3));
  EXPECT_EQ(TextOf(data), "compressed text of record 4");
  ASSERT_TRUE(reader.ReadEntry("Pictures", 2, 1, data, 5));
  EXPECT_EQ(TextOf(data), "RAW-2");
  ASSERT_TRUE(reader.ReadEntry("Pictures", 2, 1, data, -5));
  EXPECT_EQ(TextOf(data), "RAW-2");
  EXPECT_NE(TextOf(stream.Bytes()).find("RAW-2"), std::string::npos) << "kind 5 is stored raw";
  EXPECT_EQ(TextOf(stream.Bytes()).find("compressed text"), std::string::npos);
  EXPECT_FALSE(reader.ReadEntry("Pictures", 2, 1, data, 3));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  ASSERT_TRUE(reader.ReadEntry("Pictures", 0, 2, data));
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(reader.ReadEntry("Pictures", 5, 0, data));
  EXPECT_FALSE(reader.ReadEntry("Pictures", 0, 3, data));
  EXPECT_FALSE(reader.ReadEntry("Other", 0, 0, data));

  ASSERT_TRUE(reader.ReadGroupData("Pictures", data));
  EXPECT_EQ(data, std::vector<uint8_t>(1000, 'g'));
  TXMemoryStream target;
  ASSERT_TRUE(reader.ReadEntry("Pictures", 1, 0, target));
  EXPECT_EQ(TextOf(target.Bytes()), "compressed text of record 1");
}

TEST(RStreamTest, AContainerTruncatedBeforeItsEndRecordOpensWithTheGapNoted) {
  TXMemoryStream stream;
  TXQStream writer;
  WriteSample(writer, stream, 5);
  stream.SetSize(stream.Size() - 16);
  TXQStream reader;
  ASSERT_TRUE(reader.Open(rfRead, stream));
  EXPECT_EQ(ThreadError().Code, kErrNoEndRecord);
  EXPECT_EQ(reader.FindGroup("Pictures")->Records.size(), 5u);
  std::vector<uint8_t> data;
  EXPECT_TRUE(reader.ReadEntry("Pictures", 4, 1, data, 5));

  TXMemoryStream shorter(std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().end() - 40));
  ASSERT_TRUE(reader.Open(rfRead, shorter)) << "a record cut inside its data still indexes";
  EXPECT_EQ(ThreadError().Code, kErrNoEndRecord);
  EXPECT_FALSE(reader.ReadEntry("Pictures", 4, 0, data));
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

TEST(RStreamTest, AlteredBytesAreCaughtByTheirChecks) {
  TXMemoryStream stream;
  TXQStream writer;
  WriteSample(writer, stream, 2);
  const std::string text = TextOf(stream.Bytes());
  std::vector<uint8_t> data;

  TXMemoryStream raw(stream.Bytes());
  raw.Bytes()[text.find("RAW-1")] ^= 0x20;
  TXQStream reader;
  ASSERT_TRUE(reader.Open(rfRead, raw));
  EXPECT_FALSE(reader.ReadEntry("Pictures", 1, 1, data));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  EXPECT_TRUE(data.empty());
  EXPECT_TRUE(reader.ReadEntry("Pictures", 1, 0, data)) << "other entries stay readable";

  TXMemoryStream packed(stream.Bytes());
  const TXRHeaderObject& record = writer.Groups()[0].Records[1];
  packed.Bytes()[static_cast<size_t>(record.EntryOffset(0)) + 4] ^= 0x01;
  ASSERT_TRUE(reader.Open(rfRead, packed));
  EXPECT_FALSE(reader.ReadEntry("Pictures", 1, 0, data));
  EXPECT_EQ(ThreadError().Code, kErrCheck);

  TXMemoryStream header(stream.Bytes());
  header.Bytes()[20] ^= 0x01;
  EXPECT_FALSE(reader.Open(rfRead, header));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  EXPECT_FALSE(reader.IsOpen());

  TXMemoryStream table(stream.Bytes());
  table.Bytes()[static_cast<size_t>(record.Position + kRRecordHeaderSize + 4)] ^= 0x01;
  EXPECT_FALSE(reader.Open(rfRead, table));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
}

TEST(RStreamTest, ForeignVersionsHeadersAndBrokenChainsAreRefused) {
  TXMemoryStream stream;
  TXQStream writer;
  WriteSample(writer, stream, 1);
  TXQStream reader;

  TXMemoryStream version(stream.Bytes());
  WriteLE32(&version.Bytes()[8], 2);
  WriteLE32(&version.Bytes()[4], ::crc32(0, version.Data() + 8, 75));
  EXPECT_FALSE(reader.Open(rfRead, version));
  EXPECT_EQ(ThreadError().Code, kErrVersion);

  reader.HeaderCheck = [](const TXRFileHeader& header) { return header.AppID == 1; };
  EXPECT_FALSE(reader.Open(rfRead, stream));
  EXPECT_EQ(ThreadError().Code, kErrVersion);
  reader.HeaderCheck = nullptr;

  TXMemoryStream loop(stream.Bytes());
  std::array<uint8_t, kRLinkSize> back = EncodeLink(TXRTags::OfFamily("XX").Link, 107);
  std::copy(back.begin(), back.end(), loop.Bytes().begin() + 107);
  EXPECT_FALSE(reader.Open(rfRead, loop)) << "a link that points back would never end";
  EXPECT_EQ(ThreadError().Code, kErrCheck);

  TXMemoryStream cut(std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().begin() + 140));
  EXPECT_FALSE(reader.Open(rfRead, cut));
  EXPECT_EQ(ThreadError().Code, kErrIndexWalk);
  EXPECT_TRUE(reader.IsDamaged());
  ASSERT_TRUE(reader.Open(rfRead, stream));
  EXPECT_FALSE(reader.IsDamaged());

  TXMemoryStream notContainer(std::vector<uint8_t>(500, 'x'));
  EXPECT_FALSE(reader.Open(rfRead, notContainer));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  TXMemoryStream empty;
  EXPECT_FALSE(reader.Open(rfRead, empty));
}

TEST(RStreamTest, AnExistingGroupNameIsRefusedWithoutChangingTheContainer) {
  TXMemoryStream stream;
  TXQStream container;
  WriteSample(container, stream, 1);
  std::vector<uint8_t> before = stream.Bytes();
  EXPECT_FALSE(container.AddGroup("Pictures"));
  EXPECT_EQ(ThreadError().Code, kErrWrite);
  EXPECT_EQ(stream.Bytes(), before);
  ASSERT_TRUE(container.AddGroup("Videos"));
  EXPECT_EQ(container.FindGroup("Videos")->ID, 2);
  EXPECT_FALSE(container.AddGroup(std::string(51, 'n')));
}

TEST(RStreamTest, RecordsAreWrittenOnlyInsideTheirBounds) {
  TXMemoryStream stream;
  TXQStream container;
  WriteSample(container, stream, 0);
  EXPECT_FALSE(container.WriteEntry(1, "no record"));
  EXPECT_FALSE(container.BeginRecord("Absent", 3, 1));
  ASSERT_TRUE(container.BeginRecord("Pictures", 4, 1));
  EXPECT_FALSE(container.AddGroup("During"));
  ASSERT_TRUE(container.WriteEntry(1, "one"));
  EXPECT_FALSE(container.WriteEntry(1, "two"));
  ASSERT_TRUE(container.EndRecord());
  EXPECT_FALSE(container.EndRecord());
  std::vector<uint8_t> data;
  EXPECT_FALSE(container.ReadEntry("Pictures", 0, 0, data)) << "opened for writing only";
  EXPECT_EQ(ThreadError().Code, kErrVersion);
}

TEST(RStreamTest, EveryCompletedStepLeavesAValidContainer) {
  test::TempDir dir;
  const std::string path = (dir / "items.xlg").string();
  auto opensCleanly = [&](size_t records) {
    TXQStream check;
    EXPECT_TRUE(check.OpenFile(rfRead, path));
    EXPECT_EQ(ThreadError().Code, kErrNone);
    const TXRGroupObject* group = check.FindGroup("News");
    return group ? group->Records.size() == records : records == SIZE_MAX;
  };
  {
    TXQStream container;
    ASSERT_TRUE(container.OpenFileForAppend(0, path));
    EXPECT_TRUE(opensCleanly(SIZE_MAX));
    ASSERT_TRUE(container.AddGroup("News"));
    EXPECT_TRUE(opensCleanly(0));
  }
  for (size_t step = 1; step <= 3; ++step) {
    TXQStream container;
    ASSERT_TRUE(container.OpenFileForAppend(0, path));
    EXPECT_FALSE(container.AddGroup("News"));
    ASSERT_TRUE(container.BeginRecord("News", 4, 2));
    ASSERT_TRUE(container.WriteEntry(-1, "item " + std::to_string(step)));
    EXPECT_TRUE(opensCleanly(step - 1)) << "an open record is not yet part of the container";
    ASSERT_TRUE(container.EndRecord());
    EXPECT_TRUE(opensCleanly(step));
  }
  {
    TXQStream interrupted;
    ASSERT_TRUE(interrupted.OpenFileForAppend(0, path));
    ASSERT_TRUE(interrupted.BeginRecord("News", 4, 1));
    ASSERT_TRUE(interrupted.WriteEntry(-2, std::string(5000, 'z')));
  }
  EXPECT_TRUE(opensCleanly(3)) << "a record never ended is ignored";
  TXQStream again;
  ASSERT_TRUE(again.OpenFileForAppend(0, path));
  ASSERT_TRUE(again.BeginRecord("News", 4, 1));
  ASSERT_TRUE(again.WriteEntry(1, "after the interruption"));
  ASSERT_TRUE(again.EndRecord());
  again.Close();
  EXPECT_TRUE(opensCleanly(4));
  TXQStream reader;
  ASSERT_TRUE(reader.OpenFile(rfRead, path));
  std::vector<uint8_t> data;
  ASSERT_TRUE(reader.ReadEntry("News", 3, 0, data, 1));
  EXPECT_EQ(TextOf(data), "after the interruption");
}

TEST(RStreamTest, CompactingCopiesGroupsAndRecordsIntoAFreshChain) {
  TXMemoryStream stream;
  TXQStream writer;
  WriteSample(writer, stream, 3);
  ASSERT_TRUE(writer.BeginRecord("Pictures", 3, 1));
  ASSERT_TRUE(writer.WriteEntry(2, "never ended"));
  TXMemoryStream withGarbage(stream.Bytes());
  TXQStream reader;
  ASSERT_TRUE(reader.Open(rfRead, withGarbage));
  TXMemoryStream compacted;
  ASSERT_TRUE(reader.CompactTo(compacted));
  EXPECT_LT(compacted.Size(), withGarbage.Size());
  TXQStream check;
  ASSERT_TRUE(check.Open(rfRead, compacted));
  EXPECT_EQ(ThreadError().Code, kErrNone);
  ASSERT_EQ(check.FindGroup("Pictures")->Records.size(), 3u);
  std::vector<uint8_t> data;
  ASSERT_TRUE(check.ReadEntry("Pictures", 2, 0, data, 3));
  EXPECT_EQ(TextOf(data), "compressed text of record 2");
  ASSERT_TRUE(check.ReadGroupData("Pictures", data));
  EXPECT_EQ(data.size(), 1000u);
}

TEST(RStreamTest, FilesAreCreatedOpenedAndAppendedAtABaseOffset) {
  test::TempDir dir;
  const std::string path = (dir / "embedded.bin").string();
  {
    TXFileStream file(path, TXFileMode::fmCreate);
    file.WriteBuffer("PREFIX", 6);
  }
  TXQStream container;
  ASSERT_TRUE(container.OpenFile(rfCreate | rfWrite, path, 6));
  ASSERT_TRUE(container.AddGroup("G"));
  ASSERT_TRUE(container.BeginRecord("G", 3, 1));
  ASSERT_TRUE(container.WriteEntry(-2, "payload"));
  ASSERT_TRUE(container.EndRecord());
  container.Close();
  TXFileStream file(path, TXFileMode::fmOpenRead);
  char prefix[6];
  file.ReadBuffer(prefix, 6);
  EXPECT_EQ(std::string(prefix, 6), "PREFIX");
  TXQStream reader;
  ASSERT_TRUE(reader.OpenFile(rfRead, path, 6));
  std::vector<uint8_t> data;
  ASSERT_TRUE(reader.ReadEntry("G", 0, 0, data, 2));
  EXPECT_EQ(TextOf(data), "payload");
  EXPECT_FALSE(reader.OpenFile(rfRead, (dir / "absent").string()));
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
}

}  // namespace
}  // namespace kova
