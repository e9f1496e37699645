#include "persistence/rstream.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "framework/error_data.h"
#include "framework/worker_interfaces.h"
#include "persistence/zlib_stream.h"

namespace kova {

template <class Step>
bool TXRStream::Guarded(int32_t code, Step&& step) {
  try {
    step();
    return true;
  } catch (const EXError& error) {
    if (ThreadError().Code == kErrNone) SetThreadError(error.Code());
  } catch (const std::exception& error) {
    RecordException(error);
    if (ThreadError().Code == kErrNone) ThreadError().Code = code;
  }
  return false;
}

TXRStream::~TXRStream() = default;

void TXRStream::Close() {
  record_.reset();
  groups_.clear();
  ownedFile_.reset();
  stream_ = nullptr;
  base_ = 0;
  append_ = 0;
  flags_ = 0;
}

bool TXRStream::Open(uint32_t flags, TXStream& stream, int64_t baseOffset, IXProgress* progress) {
  Close();
  return OpenAttached(flags, stream, baseOffset, progress);
}

bool TXRStream::OpenFile(uint32_t flags, const std::string& fileName, int64_t baseOffset,
                         IXProgress* progress) {
  Close();
  ClearThreadError();
  if (!Guarded(kErrRead, [&] { ownedFile_ = OpenFileStream(flags, fileName, baseOffset); })) {
    return false;
  }
  return OpenAttached(flags, *ownedFile_, baseOffset, progress);
}

bool TXRStream::OpenAttached(uint32_t flags, TXStream& stream, int64_t baseOffset,
                             IXProgress* progress) {
  ClearThreadError();
  damaged_ = false;
  stream_ = &stream;
  flags_ = flags;
  base_ = baseOffset;
  bool create = flags & rfCreate;
  bool opened = Guarded(kErrRead, [&] {
    if (!create && (flags & rfOpenOrCreate)) create = stream.Size() == baseOffset;
    if (create) {
      CreateContainer();
    } else {
      ReadFileHeader();
    }
  });
  if (opened && !create) opened = ReadIndex(progress);
  if (!opened) Close();
  return opened;
}

std::unique_ptr<TXFileStream> TXRStream::OpenFileStream(uint32_t flags, const std::string& name,
                                                        int64_t baseOffset) {
  bool exists = std::filesystem::exists(name);
  TXFileMode mode = TXFileMode::fmOpenRead;
  if (flags & rfCreate) {
    mode = baseOffset > 0 && exists ? TXFileMode::fmOpenReadWrite : TXFileMode::fmCreate;
  } else if (flags & rfOpenOrCreate) {
    mode = exists ? TXFileMode::fmOpenReadWrite : TXFileMode::fmCreate;
  } else if (flags & rfWrite) {
    mode = TXFileMode::fmOpenReadWrite;
  }
  return std::make_unique<TXFileStream>(name, mode);
}

void TXRStream::CreateContainer() {
  fileHeader_.Tag = tags_.File;
  fileHeader_.Version = kRFormatVersion;
  std::array<uint8_t, kRFileHeaderSize> header = fileHeader_.Encode();
  fileHeader_.Crc = ReadLE32(&header[4]);
  WriteAt(0, header.data(), kRFileHeaderSize);
  std::array<uint8_t, kRLinkSize> end = EncodeEnd(tags_.End);
  WriteAt(kRFileHeaderSize, end.data(), kRLinkSize);
  stream_->SetSize(base_ + kRFileHeaderSize + kRLinkSize);
  append_ = kRFileHeaderSize;
}

void TXRStream::ReadFileHeader() {
  if (ContainerSize() < kRFileHeaderSize) {
    RaiseThreadError(kErrCheck, 0, "the stream is too short for a container");
  }
  std::array<uint8_t, kRFileHeaderSize> bytes{};
  ReadAt(0, bytes.data(), kRFileHeaderSize);
  TXRFileHeader header = TXRFileHeader::Decode(bytes);
  if (header.Tag != tags_.File) RaiseThreadError(kErrCheck, 0, "the stream is not a container");
  if (header.Crc != TXRFileHeader::ComputeCrc(bytes)) {
    RaiseThreadError(kErrCheck, 0, "the container's file header is damaged");
  }
  if (header.Version != kRFormatVersion) {
    RaiseThreadError(kErrVersion, 0,
                     "the container has format version " + std::to_string(header.Version));
  }
  if (HeaderCheck && !HeaderCheck(header)) {
    RaiseThreadError(kErrVersion, 0, "the container holds other data (" + header.Title + ")");
  }
  fileHeader_ = header;
}

bool TXRStream::ReadIndex(IXProgress* progress) {
  int64_t position = kRFileHeaderSize;
  bool ended = false;
  bool walked = Guarded(kErrIndexWalk, [&] {
    const int64_t size = ContainerSize();
    while (position + kRLinkSize <= size) {
      if (progress) progress->SetPermille(static_cast<uint16_t>(position * 1000 / size));
      std::array<uint8_t, kRLinkSize> link{};
      ReadAt(position, link.data(), kRLinkSize);
      uint32_t tag = ReadLE32(&link[0]);
      if (tag == tags_.End) {
        ended = true;
        return;
      }
      if (tag != tags_.Link) RaiseThreadError(kErrCheck, 0, "a link of the container is damaged");
      auto next = static_cast<int64_t>(ReadLE64(&link[8]));
      if (next == 0) {
        ended = true;
        return;
      }
      if (ReadLE32(&link[4]) != RCrc32(std::span(link).subspan(8, 8)) ||
          next <= position + kRLinkSize) {
        RaiseThreadError(kErrCheck, 0, "a link of the container is damaged");
      }
      ReadLinkedObject(position + kRLinkSize);
      position = next;
    }
  });
  if (!walked) {
    if (ThreadError().Code != kErrCheck) {
      damaged_ = true;
      SetThreadError(kErrIndexWalk, 0, ThreadError().Text);
    }
    return false;
  }
  append_ = position;
  if (!ended) SetThreadError(kErrNoEndRecord, 0, "the container ends without its end record");
  return true;
}

void TXRStream::ReadLinkedObject(int64_t position) {
  uint8_t tagBytes[4];
  ReadAt(position, tagBytes, 4);
  uint32_t tag = ReadLE32(tagBytes);
  if (tag == tags_.Group) {
    ReadGroupObject(position);
  } else if (tag == tags_.Header) {
    ReadRecordHeader(position);
  } else {
    RaiseThreadError(kErrCheck, 0, "an object of the container has an unknown tag");
  }
}

void TXRStream::ReadGroupObject(int64_t position) {
  std::array<uint8_t, kRGroupHeaderSize> bytes{};
  ReadAt(position, bytes.data(), kRGroupHeaderSize);
  TXRGroupObject group = TXRGroupObject::DecodeHeader(bytes);
  if (group.Crc != RCrc32(std::span(bytes).subspan(8))) {
    RaiseThreadError(kErrCheck, 0, "a group of the container is damaged");
  }
  group.Position = position;
  if (TXRGroupObject* known = FindGroupByID(group.ID)) {
    group.Records = std::move(known->Records);
    *known = std::move(group);
  } else {
    groups_.push_back(std::move(group));
  }
}

void TXRStream::ReadRecordHeader(int64_t position) {
  std::array<uint8_t, kRRecordHeaderSize> bytes{};
  ReadAt(position, bytes.data(), kRRecordHeaderSize);
  uint16_t count = 0;
  TXRHeaderObject header = TXRHeaderObject::DecodeHeader(bytes, count);
  if (header.Crc != RCrc32(std::span(bytes).subspan(8))) {
    RaiseThreadError(kErrCheck, 0, "a record of the container is damaged");
  }
  std::vector<uint8_t> table(static_cast<size_t>(count) * kREntrySize);
  ReadAt(position + kRRecordHeaderSize, table.data(), static_cast<int64_t>(table.size()));
  if (header.TableCrc != RCrc32(table)) {
    RaiseThreadError(kErrCheck, 0, "the entry table of a record is damaged");
  }
  header.DecodeTable(table);
  header.Position = position;
  GroupForRecord(header.GroupID).Records.push_back(std::move(header));
}

TXRGroupObject* TXRStream::FindGroupByID(int32_t id) {
  auto it = std::find_if(groups_.begin(), groups_.end(),
                         [&](const TXRGroupObject& group) { return group.ID == id; });
  return it == groups_.end() ? nullptr : &*it;
}

TXRGroupObject& TXRStream::GroupForRecord(int32_t id) {
  if (TXRGroupObject* group = FindGroupByID(id)) return *group;
  TXRGroupObject unnamed;
  unnamed.ID = id;
  return groups_.emplace_back(std::move(unnamed));
}

const TXRGroupObject* TXRStream::FindGroup(const std::string& name) const {
  auto it = std::find_if(groups_.begin(), groups_.end(), [&](const TXRGroupObject& group) {
    return group.IsComplete() && group.Name == name;
  });
  return it == groups_.end() ? nullptr : &*it;
}

void TXRStream::RequireFlag(uint32_t flag) const {
  if (!stream_ || !(flags_ & flag)) {
    RaiseThreadError(kErrVersion, 0,
                     flag == rfRead ? "the container is not open for reading"
                                    : "the container is not open for writing");
  }
}

void TXRStream::Link(int64_t objectEnd) {
  std::array<uint8_t, kRLinkSize> end = EncodeEnd(tags_.End);
  WriteAt(objectEnd, end.data(), kRLinkSize);
  std::array<uint8_t, kRLinkSize> link = EncodeLink(tags_.Link, objectEnd);
  WriteAt(append_, link.data(), kRLinkSize);
  append_ = objectEnd;
}

bool TXRStream::AddGroup(const std::string& name, TXStream* data) {
  ClearThreadError();
  return Guarded(kErrWrite, [&] {
    RequireFlag(rfWrite);
    if (record_) RaiseThreadError(kErrWrite, 0, "a record is open");
    if (name.size() > kRNameCapacity)
      RaiseThreadError(kErrWrite, 0, "group name too long: " + name);
    if (FindGroup(name)) RaiseThreadError(kErrWrite, 0, "the container has a group " + name);
    TXRGroupObject group;
    group.Name = name;
    for (const TXRGroupObject& known : groups_)
      group.ID = std::max(group.ID, known.ID);
    ++group.ID;
    std::vector<uint8_t> compressed;
    if (data) {
      data->SetPosition(0);
      std::vector<uint8_t> bytes = data->ReadRemaining();
      group.DataCrc = bytes.empty() ? 0 : RCrc32(bytes);
      if (!bytes.empty()) compressed = ZCompress(bytes);
    }
    group.DataSize = static_cast<int64_t>(compressed.size());
    group.Position = append_ + kRLinkSize;
    std::array<uint8_t, kRLinkSize> end = EncodeEnd(tags_.End);
    WriteAt(append_, end.data(), kRLinkSize);
    std::array<uint8_t, kRGroupHeaderSize> header = group.EncodeHeader(tags_.Group);
    group.Crc = ReadLE32(&header[4]);
    WriteAt(group.Position, header.data(), kRGroupHeaderSize);
    WriteAt(group.Position + kRGroupHeaderSize, compressed.data(), group.DataSize);
    Link(group.Position + kRGroupHeaderSize + group.DataSize);
    groups_.push_back(std::move(group));
  });
}

bool TXRStream::BeginRecord(const std::string& groupName, int32_t kind, uint16_t count) {
  ClearThreadError();
  return Guarded(kErrWrite, [&] {
    RequireFlag(rfWrite);
    if (record_) RaiseThreadError(kErrWrite, 0, "a record is open");
    const TXRGroupObject* group = FindGroup(groupName);
    if (!group) RaiseThreadError(kErrWrite, 0, "the container has no group " + groupName);
    OpenRecord record{static_cast<size_t>(group - groups_.data()), {}};
    record.Header.Position = append_ + kRLinkSize;
    record.Header.GroupID = group->ID;
    record.Header.Kind = kind;
    record.Header.Entries.resize(count);
    std::array<uint8_t, kRLinkSize> end = EncodeEnd(tags_.End);
    WriteAt(append_, end.data(), kRLinkSize);
    std::vector<uint8_t> reserved(
        static_cast<size_t>(kRRecordHeaderSize + record.Header.TableSize()));
    WriteAt(record.Header.Position, reserved.data(), static_cast<int64_t>(reserved.size()));
    record.WritePosition = record.Header.Position + static_cast<int64_t>(reserved.size());
    record_ = std::move(record);
  });
}

bool TXRStream::WriteEntry(int32_t kind, const void* data, int64_t size) {
  ClearThreadError();
  return Guarded(kErrWrite, [&] {
    RequireFlag(rfWrite);
    if (!record_) RaiseThreadError(kErrWrite, 0, "no record is open");
    if (record_->Written >= record_->Header.Entries.size()) {
      RaiseThreadError(kErrWrite, 0, "every entry of the record is written");
    }
    std::span<const uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<size_t>(size));
    TXREntry& entry = record_->Header.Entries[record_->Written];
    entry.Kind = kind;
    entry.Crc = bytes.empty() ? 0 : RCrc32(bytes);
    if (kind < 0 && !bytes.empty()) {
      std::vector<uint8_t> compressed = ZCompress(bytes);
      WriteAt(record_->WritePosition, compressed.data(), static_cast<int64_t>(compressed.size()));
      entry.Size = static_cast<int64_t>(compressed.size());
    } else {
      WriteAt(record_->WritePosition, bytes.data(), size);
      entry.Size = size;
    }
    record_->WritePosition += entry.Size;
    ++record_->Written;
  });
}

bool TXRStream::WriteEntry(int32_t kind, const std::string& text) {
  return WriteEntry(kind, text.data(), static_cast<int64_t>(text.size()));
}

bool TXRStream::WriteEntry(int32_t kind, TXStream& data) {
  std::vector<uint8_t> bytes;
  ClearThreadError();
  if (!Guarded(kErrRead, [&] {
        data.SetPosition(0);
        bytes = data.ReadRemaining();
      })) {
    return false;
  }
  return WriteEntry(kind, bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool TXRStream::EndRecord() {
  ClearThreadError();
  bool ended = Guarded(kErrWrite, [&] {
    RequireFlag(rfWrite);
    if (!record_) RaiseThreadError(kErrWrite, 0, "no record is open");
    TXRHeaderObject& header = record_->Header;
    std::array<uint8_t, kRRecordHeaderSize> head = header.EncodeHeader(tags_.Header);
    header.Crc = ReadLE32(&head[4]);
    header.TableCrc = ReadLE32(&head[8]);
    std::vector<uint8_t> table = header.EncodeTable();
    WriteAt(header.Position, head.data(), kRRecordHeaderSize);
    WriteAt(header.Position + kRRecordHeaderSize, table.data(), static_cast<int64_t>(table.size()));
    Link(record_->WritePosition);
    groups_[record_->Group].Records.push_back(std::move(header));
  });
  record_.reset();
  return ended;
}

const TXREntry& TXRStream::LocateEntry(const std::string& groupName, int32_t record, int32_t entry,
                                       int64_t& offset) const {
  const TXRGroupObject* group = FindGroup(groupName);
  if (!group) RaiseThreadError(kErrRead, 0, "the container has no group " + groupName);
  if (record < 0 || record >= static_cast<int32_t>(group->Records.size())) {
    RaiseThreadError(kErrRead, 0,
                     "group " + groupName + " has no record " + std::to_string(record));
  }
  const TXRHeaderObject& header = group->Records[static_cast<size_t>(record)];
  if (entry < 0 || entry >= static_cast<int32_t>(header.Entries.size())) {
    RaiseThreadError(kErrRead, 0,
                     "a record of " + groupName + " has no entry " + std::to_string(entry));
  }
  offset = header.EntryOffset(static_cast<size_t>(entry));
  return header.Entries[static_cast<size_t>(entry)];
}

std::vector<uint8_t> TXRStream::ReadStored(int64_t offset, int64_t size) {
  if (size < 0 || offset + size > ContainerSize()) {
    RaiseThreadError(kErrRead, 0, "stored data reaches past the end of the container");
  }
  std::vector<uint8_t> stored(static_cast<size_t>(size));
  ReadAt(offset, stored.data(), size);
  return stored;
}

bool TXRStream::ReadEntry(const std::string& groupName, int32_t record, int32_t entry,
                          std::vector<uint8_t>& data, std::optional<int32_t> expectedKind) {
  ClearThreadError();
  data.clear();
  return Guarded(kErrRead, [&] {
    RequireFlag(rfRead);
    int64_t offset = 0;
    const TXREntry& found = LocateEntry(groupName, record, entry, offset);
    if (expectedKind && std::abs(*expectedKind) != std::abs(found.Kind)) {
      RaiseThreadError(kErrCheck, 0,
                       "entry of kind " + std::to_string(found.Kind) + ", expected " +
                           std::to_string(*expectedKind));
    }
    std::vector<uint8_t> stored = ReadStored(offset, found.Size);
    if (found.Kind < 0 && !stored.empty()) {
      if (!ZDecompress(stored, data)) RaiseThreadError(kErrCheck, 0, "an entry's data is damaged");
    } else {
      data = std::move(stored);
    }
    if ((data.empty() ? 0 : RCrc32(data)) != found.Crc) {
      data.clear();
      RaiseThreadError(kErrCheck, 0, "an entry's data does not match its CRC");
    }
  });
}

bool TXRStream::ReadEntry(const std::string& groupName, int32_t record, int32_t entry,
                          TXStream& data, std::optional<int32_t> expectedKind) {
  std::vector<uint8_t> bytes;
  if (!ReadEntry(groupName, record, entry, bytes, expectedKind)) return false;
  return Guarded(kErrWrite,
                 [&] { data.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); });
}

bool TXRStream::ReadGroupData(const std::string& groupName, std::vector<uint8_t>& data) {
  ClearThreadError();
  data.clear();
  return Guarded(kErrRead, [&] {
    RequireFlag(rfRead);
    const TXRGroupObject* group = FindGroup(groupName);
    if (!group) RaiseThreadError(kErrRead, 0, "the container has no group " + groupName);
    std::vector<uint8_t> stored = ReadStored(group->Position + kRGroupHeaderSize, group->DataSize);
    if (!stored.empty() && !ZDecompress(stored, data)) {
      RaiseThreadError(kErrCheck, 0, "the data of group " + groupName + " is damaged");
    }
    if ((data.empty() ? 0 : RCrc32(data)) != group->DataCrc) {
      data.clear();
      RaiseThreadError(kErrCheck, 0, "the data of group " + groupName + " does not match its CRC");
    }
  });
}

void TXRStream::CopyObject(TXStream& destination, int64_t& position, int64_t from, int64_t size) {
  std::vector<uint8_t> bytes = ReadStored(from, size);
  std::array<uint8_t, kRLinkSize> link = EncodeLink(tags_.Link, position + kRLinkSize + size);
  destination.WriteBuffer(link.data(), kRLinkSize);
  destination.WriteBuffer(bytes.data(), size);
  position += kRLinkSize + size;
}

bool TXRStream::CompactTo(TXStream& destination, IXProgress* progress) {
  ClearThreadError();
  return Guarded(kErrWrite, [&] {
    RequireFlag(rfRead);
    if (progress) {
      size_t records = 0;
      for (const TXRGroupObject& group : groups_)
        records += group.Records.size();
      progress->SetMax(static_cast<uint32_t>(std::max<size_t>(records, 1)));
    }
    const int64_t start = destination.Position();
    std::vector<uint8_t> header = ReadStored(0, kRFileHeaderSize);
    destination.WriteBuffer(header.data(), kRFileHeaderSize);
    int64_t position = kRFileHeaderSize;
    for (const TXRGroupObject& group : groups_) {
      if (!group.IsComplete() || group.Deleted) continue;
      CopyObject(destination, position, group.Position, kRGroupHeaderSize + group.DataSize);
      for (const TXRHeaderObject& record : group.Records) {
        if (!record.Deleted) CopyObject(destination, position, record.Position, record.TotalSize());
        if (progress) progress->StepIt();
      }
    }
    std::array<uint8_t, kRLinkSize> end = EncodeEnd(tags_.End);
    destination.WriteBuffer(end.data(), kRLinkSize);
    destination.SetSize(start + position + kRLinkSize);
  });
}

void TXRStream::ReadAt(int64_t position, void* buffer, int64_t count) {
  stream_->SetPosition(base_ + position);
  stream_->ReadBuffer(buffer, count);
}

void TXRStream::WriteAt(int64_t position, const void* buffer, int64_t count) {
  stream_->SetPosition(base_ + position);
  stream_->WriteBuffer(buffer, count);
}

int64_t TXRStream::ContainerSize() {
  return stream_->Size() - base_;
}

TXQStream::TXQStream() : TXRStream(TXRTags::OfFamily("XX")) {}

bool TXQStream::OpenForAppend(uint32_t flags, TXStream& stream, int64_t baseOffset,
                              IXProgress* progress) {
  return Open((flags & ~uint32_t{rfCreate}) | rfOpenOrCreate | rfRead | rfWrite, stream, baseOffset,
              progress);
}

bool TXQStream::OpenFileForAppend(uint32_t flags, const std::string& fileName, int64_t baseOffset,
                                  IXProgress* progress) {
  return OpenFile((flags & ~uint32_t{rfCreate}) | rfOpenOrCreate | rfRead | rfWrite, fileName,
                  baseOffset, progress);
}

}  // namespace kova
