#include "card_manifest.h"

#include <fstream>
#include <sstream>

#include "json_value.h"

namespace kova::mkcard {

namespace {

std::string ExtentsJson(const std::vector<Extent>& extents) {
  std::string out = "[";
  for (const Extent& e : extents) {
    out += (out.size() > 1 ? "," : "") +
           ("[" + std::to_string(e.offset) + "," + std::to_string(e.size) + "]");
  }
  return out + "]";
}

std::string CardLine(const ManifestCard& c) {
  return JsonLine()
      .Text("record", "card")
      .Number("image_bytes", c.image_bytes)
      .Text("table", c.table)
      .Number("disk_signature", c.disk_signature)
      .Text("disk_guid", c.disk_guid)
      .Finish();
}

std::string PartitionLine(const ManifestPartition& p) {
  return JsonLine()
      .Text("record", "partition")
      .Number("number", p.number)
      .Text("kind", p.kind)
      .Number("first_sector", p.first_sector)
      .Number("sectors", p.sectors)
      .Number("offset", p.offset)
      .Number("bytes", p.bytes)
      .Number("type", p.type)
      .Text("type_guid", p.type_guid)
      .Text("guid", p.guid)
      .Text("name", p.name)
      .Flag("bootable", p.bootable)
      .Flag("past_end", p.past_end)
      .Number("entry_offset", p.entry_offset)
      .Text("file_system", p.file_system)
      .Finish();
}

std::string VolumeLine(const ManifestVolume& v) {
  return JsonLine()
      .Text("record", "volume")
      .Number("volume", v.number)
      .Text("type", v.file_system)
      .Number("image_bytes", v.image_bytes)
      .Number("volume_offset", v.volume_offset)
      .Number("volume_bytes", v.volume_bytes)
      .Number("sectors_per_cluster", v.sectors_per_cluster)
      .Number("cluster_bytes", v.cluster_bytes)
      .Number("reserved_sectors", v.reserved_sectors)
      .Number("fat_count", v.fat_count)
      .Number("root_entries", v.root_entries)
      .Number("sectors_per_fat", v.sectors_per_fat)
      .Number("cluster_count", v.cluster_count)
      .Number("fat_offset", v.fat_offset)
      .Number("root_dir_offset", v.root_dir_offset)
      .Number("data_offset", v.data_offset)
      .Text("label", v.label)
      .Number("serial", v.serial)
      .Number("code_page", v.code_page)
      .Text("type_text", v.type_text)
      .Number("backup_boot_sector", v.backup_boot_sector)
      .Text("boot_damage", v.boot_damage)
      .Text("bad_clusters", v.bad_clusters)
      .Number("free_clusters", v.free_clusters)
      .Finish();
}

}  // namespace

std::string ManifestRecordLine(const ManifestRecord& r) {
  return JsonLine()
      .Text("record", r.folder ? "folder" : "file")
      .Number("volume", r.volume)
      .Text("path", r.path)
      .Text("folder_path", r.folder_path)
      .Text("short_name", r.short_name)
      .Text("long_name", r.long_name)
      .Text("state", EntryStateName(r.state))
      .Text("link_to", r.link_to)
      .Flag("chain_loops", r.looped)
      .Text("content", r.content)
      .Number("size", r.size)
      .Number("width", r.width)
      .Number("height", r.height)
      .Number("first_cluster", r.first_cluster)
      .Text("clusters", r.clusters)
      .Raw("extents", ExtentsJson(r.extents))
      .Number("entry_offset", r.entry_offset)
      .Text("time", r.time)
      .Number("crc32", r.crc32)
      .Flag("intact", r.intact)
      .Finish();
}

namespace {

// Reads the members of one parsed line, remembering the first one that is missing or mistyped.
class Fields {
 public:
  explicit Fields(const JsonValue& object) : object_(object) {}

  std::string Text(const char* name) {
    const JsonValue* v = object_.Member(name);
    if (v == nullptr || v->kind != JsonValue::Kind::kString) return Fail(name), "";
    return v->text;
  }
  template <typename T>
  T Number(const char* name) {
    const JsonValue* v = object_.Member(name);
    const std::optional<int64_t> n = v ? v->AsInteger() : std::nullopt;
    if (!n) return Fail(name), T{};
    return static_cast<T>(*n);
  }
  bool Flag(const char* name) {
    const JsonValue* v = object_.Member(name);
    if (v == nullptr || v->kind != JsonValue::Kind::kBool) return Fail(name), false;
    return v->boolean;
  }
  std::vector<Extent> Extents(const char* name) {
    std::vector<Extent> out;
    const JsonValue* v = object_.Member(name);
    if (v == nullptr || v->kind != JsonValue::Kind::kArray) return Fail(name), out;
    for (const JsonValue& pair : v->items) {
      const auto offset = pair.items.size() == 2 ? pair.items[0].AsInteger() : std::nullopt;
      const auto size = pair.items.size() == 2 ? pair.items[1].AsInteger() : std::nullopt;
      if (!offset || !size) return Fail(name), out;
      out.push_back({static_cast<uint64_t>(*offset), static_cast<uint64_t>(*size)});
    }
    return out;
  }
  const std::string& missing() const { return missing_; }

 private:
  void Fail(const char* name) {
    if (missing_.empty()) missing_ = name;
  }
  const JsonValue& object_;
  std::string missing_;
};

bool FatTypeFromName(const std::string& name, FatType* type) {
  for (FatType t : {FatType::kFat12, FatType::kFat16, FatType::kFat32}) {
    if (name == FatTypeName(t)) return *type = t, true;
  }
  return false;
}

bool StateFromName(const std::string& name, EntryState* state) {
  for (EntryState s :
       {EntryState::kLive, EntryState::kDeleted, EntryState::kLost, EntryState::kRaw}) {
    if (name == EntryStateName(s)) return *state = s, true;
  }
  return false;
}

std::string ReadCard(Fields& f, ManifestCard* c) {
  c->image_bytes = f.Number<uint64_t>("image_bytes");
  c->table = f.Text("table");
  c->disk_signature = f.Number<uint32_t>("disk_signature");
  c->disk_guid = f.Text("disk_guid");
  return f.missing();
}

std::string ReadPartition(Fields& f, ManifestPartition* p) {
  p->number = f.Number<int>("number");
  p->kind = f.Text("kind");
  p->first_sector = f.Number<uint64_t>("first_sector");
  p->sectors = f.Number<uint64_t>("sectors");
  p->offset = f.Number<uint64_t>("offset");
  p->bytes = f.Number<uint64_t>("bytes");
  p->type = f.Number<uint8_t>("type");
  p->type_guid = f.Text("type_guid");
  p->guid = f.Text("guid");
  p->name = f.Text("name");
  p->bootable = f.Flag("bootable");
  p->past_end = f.Flag("past_end");
  p->entry_offset = f.Number<int64_t>("entry_offset");
  p->file_system = f.Text("file_system");
  return f.missing();
}

std::string ReadVolume(Fields& f, ManifestVolume* v) {
  v->number = f.Number<int>("volume");
  v->file_system = f.Text("type");
  FatTypeFromName(v->file_system, &v->type);
  v->image_bytes = f.Number<uint64_t>("image_bytes");
  v->volume_offset = f.Number<uint64_t>("volume_offset");
  v->volume_bytes = f.Number<uint64_t>("volume_bytes");
  v->sectors_per_cluster = f.Number<uint32_t>("sectors_per_cluster");
  v->cluster_bytes = f.Number<uint32_t>("cluster_bytes");
  v->reserved_sectors = f.Number<uint32_t>("reserved_sectors");
  v->fat_count = f.Number<uint32_t>("fat_count");
  v->root_entries = f.Number<uint32_t>("root_entries");
  v->sectors_per_fat = f.Number<uint32_t>("sectors_per_fat");
  v->cluster_count = f.Number<uint32_t>("cluster_count");
  v->fat_offset = f.Number<uint64_t>("fat_offset");
  v->root_dir_offset = f.Number<uint64_t>("root_dir_offset");
  v->data_offset = f.Number<uint64_t>("data_offset");
  v->label = f.Text("label");
  v->serial = f.Number<uint32_t>("serial");
  v->code_page = f.Number<uint16_t>("code_page");
  v->type_text = f.Text("type_text");
  v->backup_boot_sector = f.Number<uint32_t>("backup_boot_sector");
  v->boot_damage = f.Text("boot_damage");
  v->bad_clusters = f.Text("bad_clusters");
  v->free_clusters = f.Number<uint32_t>("free_clusters");
  return f.missing();
}

std::string ReadRecord(Fields& f, const std::string& kind, ManifestRecord* r) {
  r->folder = kind == "folder";
  r->volume = f.Number<int>("volume");
  r->path = f.Text("path");
  r->folder_path = f.Text("folder_path");
  r->short_name = f.Text("short_name");
  r->long_name = f.Text("long_name");
  if (!StateFromName(f.Text("state"), &r->state)) return "state";
  r->link_to = f.Text("link_to");
  r->looped = f.Flag("chain_loops");
  r->content = f.Text("content");
  r->size = f.Number<uint64_t>("size");
  r->width = f.Number<int>("width");
  r->height = f.Number<int>("height");
  r->first_cluster = f.Number<uint32_t>("first_cluster");
  r->clusters = f.Text("clusters");
  r->extents = f.Extents("extents");
  r->entry_offset = f.Number<int64_t>("entry_offset");
  r->time = f.Text("time");
  r->crc32 = f.Number<uint32_t>("crc32");
  r->intact = f.Flag("intact");
  return f.missing();
}

}  // namespace

const char* EntryStateName(EntryState state) {
  switch (state) {
    case EntryState::kLive:
      return "live";
    case EntryState::kDeleted:
      return "deleted";
    case EntryState::kLost:
      return "lost";
    case EntryState::kRaw:
      return "raw";
  }
  return "live";
}

const ManifestRecord* Manifest::Find(std::string_view path, int volume_number) const {
  return FindRecord(records, path, volume_number);
}

const ManifestRecord* FindRecord(const std::vector<ManifestRecord>& records, std::string_view path,
                                 int volume_number) {
  const ManifestRecord* found = nullptr;
  for (const ManifestRecord& r : records) {
    if ((r.path != path && r.LongPath() != path) ||
        (volume_number != 0 && r.volume != volume_number)) {
      continue;
    }
    if (r.state == EntryState::kLive) return &r;
    if (found == nullptr) found = &r;
  }
  return found;
}

std::string ManifestRecord::LongPath() const {
  if (state == EntryState::kRaw) return "";
  const std::string& name = long_name.empty() ? short_name : long_name;
  return folder_path.empty() ? name : folder_path + "/" + name;
}

const ManifestVolume* Manifest::FindVolume(int number) const {
  for (const ManifestVolume& v : volumes) {
    if (v.number == number) return &v;
  }
  return nullptr;
}

const ManifestPartition* Manifest::FindPartition(int number) const {
  for (const ManifestPartition& p : partitions) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

std::string ManifestToJsonLines(const Manifest& manifest) {
  std::string out = CardLine(manifest.card);
  for (const ManifestPartition& p : manifest.partitions)
    out += PartitionLine(p);
  for (const ManifestVolume& v : manifest.volumes) {
    out += VolumeLine(v);
    for (const ManifestRecord& r : manifest.records) {
      if (r.volume == v.number) out += ManifestRecordLine(r);
    }
  }
  for (const ManifestRecord& r : manifest.records) {
    if (manifest.FindVolume(r.volume) == nullptr) out += ManifestRecordLine(r);
  }
  return out;
}

Status ManifestFromJsonLines(std::string_view text, Manifest* manifest) {
  Manifest out;
  bool have_card = false;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.empty()) continue;
    const std::string where = "manifest line " + std::to_string(number) + ": ";
    JsonValue object;
    std::string error;
    if (!ParseJson(line, &object, &error)) return Status::Failure(where + error);
    Fields fields(object);
    const std::string kind = fields.Text("record");
    std::string missing;
    if (kind == "card") {
      missing = ReadCard(fields, &out.card);
      have_card = true;
    } else if (kind == "partition") {
      out.partitions.emplace_back();
      missing = ReadPartition(fields, &out.partitions.back());
    } else if (kind == "volume") {
      out.volumes.emplace_back();
      missing = ReadVolume(fields, &out.volumes.back());
    } else if (kind == "file" || kind == "folder") {
      out.records.emplace_back();
      missing = ReadRecord(fields, kind, &out.records.back());
    } else {
      return Status::Failure(where + "unknown record '" + kind + "'");
    }
    if (!missing.empty())
      return Status::Failure(where + "field '" + missing + "' is missing or invalid");
  }
  if (!have_card && out.volumes.empty())
    return Status::Failure("the manifest has no card record and no volume record");
  if (!out.volumes.empty()) out.volume = out.volumes.front();
  *manifest = std::move(out);
  return {};
}

Status ReadManifestFile(const std::filesystem::path& path, Manifest* manifest) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Failure("cannot open " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return ManifestFromJsonLines(text.str(), manifest);
}

}  // namespace kova::mkcard
