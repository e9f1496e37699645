#include "recipe.h"

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "cluster_list.h"
#include "recipe_line.h"
#include "seeded_random.h"

namespace kova::mkcard {

namespace {

constexpr std::string_view kSamplesPrefix = "samples:";
constexpr std::string_view kContentKeys[] = {"photo", "avi",  "mov",  "mp4",
                                             "tiff",  "copy", "text", "data"};

// Runs the commands of one recipe against one card.
class RecipeRunner {
 public:
  RecipeRunner(const RecipeContext& context, CardBuilder* card) : context_(context), card_(card) {}

  Status Run(RecipeLine& line) {
    static const std::map<std::string, Status (RecipeRunner::*)(RecipeLine&)> kCommands = {
        {"volume", &RecipeRunner::Volume},
        {"time", &RecipeRunner::SetTime},
        {"folder", &RecipeRunner::Folder},
        {"file", &RecipeRunner::File},
        {"delete", &RecipeRunner::Delete},
        {"raw", &RecipeRunner::Raw},
        {"wipe", &RecipeRunner::Wipe},
        {"bad", &RecipeRunner::Bad},
        {"loop-folder", &RecipeRunner::LoopFolder},
        {"link-folder", &RecipeRunner::LinkFolder},
        {"truncate", &RecipeRunner::Truncate}};
    auto command = kCommands.find(line.Command());
    if (command == kCommands.end())
      return Status::Failure("unknown command '" + line.Command() + "'");
    if (line.Command() != "volume" && !card_->Formatted()) {
      return Status::Failure("the recipe must start with a 'volume' line");
    }
    if (Status done = (this->*command->second)(line); !done) return done;
    return line.CheckAllUsed();
  }

 private:
  static Status Words(const RecipeLine& line, size_t count, const char* usage) {
    if (line.Words().size() != count) return Status::Failure("usage: " + std::string(usage));
    return {};
  }

  Status Volume(RecipeLine& line) {
    if (card_->Formatted()) return Status::Failure("the recipe has a second 'volume' line");
    if (Status ok = Words(line, 1, "volume fat12|fat16|fat32 size=... [options]"); !ok) return ok;
    VolumeOptions o;
    const std::string& type = line.Words()[0];
    if (type == "fat12") {
      o.type = FatType::kFat12;
    } else if (type == "fat16") {
      o.type = FatType::kFat16;
    } else if (type == "fat32") {
      o.type = FatType::kFat32;
    } else {
      return Status::Failure("volume type must be fat12, fat16 or fat32, not '" + type + "'");
    }
    if (!line.Has("size")) return Status::Failure("volume needs size=");
    uint64_t cluster = 0;
    uint64_t reserved = 0, fats = o.fat_count, root = 0, partition = 0, serial = o.serial;
    bool strict = true;
    if (Status ok =
            All({line.Number("size", &o.card_bytes), line.Number("cluster", &cluster),
                 line.Number("reserved", &reserved), line.Number("fats", &fats),
                 line.Number("root-entries", &root), line.Number("partition", &partition),
                 line.Byte("partition-type", &o.partition_type), line.Byte("media", &o.media),
                 Serial(line, &serial), line.Flag("strict", &strict)});
        !ok) {
      return ok;
    }
    if (cluster != 0 && (cluster % VolumeLayout::kSectorBytes != 0 || cluster > 65536)) {
      return Status::Failure("cluster= must be a multiple of 512 up to 64K");
    }
    if (cluster != 0)
      o.sectors_per_cluster = static_cast<uint32_t>(cluster / VolumeLayout::kSectorBytes);
    if (reserved > 0xFFFF || fats > 4 || root > 0xFFFF || partition > UINT32_MAX ||
        serial > UINT32_MAX) {
      return Status::Failure("a volume option is out of range");
    }
    o.reserved_sectors = static_cast<uint32_t>(reserved);
    o.fat_count = static_cast<uint32_t>(fats);
    o.root_entries = static_cast<uint32_t>(root);
    o.partition_lba = static_cast<uint32_t>(partition);
    o.serial = static_cast<uint32_t>(serial);
    o.strict_cluster_count = strict;
    o.label = line.Text("label").value_or(o.label);
    o.oem = line.Text("oem").value_or(o.oem);
    return card_->Format(o);
  }

  // "1A2B-3C4D" as a volume serial is usually written, or a plain number.
  static Status Serial(RecipeLine& line, uint64_t* serial) {
    const std::optional<std::string> text = line.Text("serial");
    if (!text) return {};
    std::string digits = *text;
    if (digits.size() == 9 && digits[4] == '-') digits = "0x" + digits.erase(4, 1);
    const std::optional<uint64_t> value = ParseQuantity(digits);
    if (!value || *value > UINT32_MAX)
      return Status::Failure("serial=" + *text + ": expected XXXX-XXXX in hex");
    *serial = *value;
    return {};
  }

  static Status All(std::initializer_list<Status> results) {
    for (const Status& s : results) {
      if (!s) return s;
    }
    return {};
  }

  Status SetTime(RecipeLine& line) {
    std::string text;
    for (const std::string& word : line.Words())
      text += (text.empty() ? "" : " ") + word;
    const std::optional<DosTime> time = ParseDosTime(text);
    if (!time)
      return Status::Failure("usage: time YYYY-MM-DD HH:MM:SS (1980 to 2107, even seconds)");
    card_->SetTime(*time);
    return {};
  }

  Status Entry(RecipeLine& line, EntryOptions* entry) {
    entry->long_name = line.Text("long-name").value_or("");
    return line.Time("time", &entry->time);
  }

  // clusters=LIST or from=CLUSTER|PATH[+N].
  Status Where(RecipeLine& line, Placement* placement) {
    if (line.Has("clusters") && line.Has("from"))
      return Status::Failure("give clusters= or from=, not both");
    if (auto list = line.Text("clusters")) {
      if (Status ok = ParseClusterList(*list, &placement->clusters); !ok)
        return Status::Failure("clusters=" + *list + ": " + ok.message());
    }
    if (auto from = line.Text("from")) return ClusterValue(*from, &placement->from);
    return {};
  }

  Status ClusterValue(const std::string& text, uint32_t* cluster) {
    const std::optional<uint64_t> number = ParseQuantity(text);
    if (number) {
      if (*number > UINT32_MAX) return Status::Failure("cluster " + text + " is out of range");
      *cluster = static_cast<uint32_t>(*number);
      return {};
    }
    return card_->ClusterOf(text, cluster);
  }

  Status Folder(RecipeLine& line) {
    if (Status ok =
            Words(line, 1, "folder PATH [long-name=...] [time=...] [clusters=...|from=...]");
        !ok)
      return ok;
    EntryOptions entry;
    Placement placement;
    if (Status ok = All({Entry(line, &entry), Where(line, &placement)}); !ok) return ok;
    return card_->MakeFolder(line.Words()[0], entry, placement);
  }

  Status File(RecipeLine& line) {
    if (Status ok =
            Words(line, 1, "file PATH CONTENT [long-name=...] [time=...] [clusters=...|from=...]");
        !ok)
      return ok;
    EntryOptions entry;
    Placement placement;
    if (Status ok = All({Entry(line, &entry), Where(line, &placement)}); !ok) return ok;
    Content content;
    const std::string& path = line.Words()[0];
    if (Status ok = MakeContent(line, path, entry.time.value_or(card_->Time()), &content); !ok)
      return ok;
    return card_->WriteFile(path, content, placement, entry);
  }

  Status Delete(RecipeLine& line) {
    if (Status ok = Words(line, 1, "delete PATH"); !ok) return ok;
    return card_->Delete(line.Words()[0]);
  }

  Status Raw(RecipeLine& line) {
    if (Status ok = Words(line, 0, "raw offset=BYTES|cluster=N [shift=BYTES] CONTENT [name=...]");
        !ok)
      return ok;
    if (line.Has("offset") == line.Has("cluster"))
      return Status::Failure("raw needs offset= or cluster=");
    uint64_t offset = 0;
    uint64_t shift = 0;
    if (Status ok = All({line.Number("offset", &offset), line.Number("shift", &shift)}); !ok)
      return ok;
    if (auto reference = line.Text("cluster")) {
      uint32_t cluster = 0;
      if (Status ok = ClusterValue(*reference, &cluster); !ok) return ok;
      if (!card_->Layout().IsDataCluster(cluster))
        return Status::Failure("cluster " + *reference + " does not exist");
      offset = card_->Layout().ClusterOffset(cluster);
    }
    const std::string name = line.Text("name").value_or("");
    Content content;
    if (Status ok = MakeContent(line, name.empty() ? "raw@" + std::to_string(offset) : name,
                                card_->Time(), &content);
        !ok) {
      return ok;
    }
    return card_->WriteRaw(offset + shift, content, name);
  }

  Status ClusterList(RecipeLine& line, std::vector<uint32_t>* clusters) {
    const std::optional<std::string> list = line.Text("clusters");
    if (!list) return Status::Failure("clusters= is required");
    if (Status ok = ParseClusterList(*list, clusters); !ok)
      return Status::Failure("clusters=" + *list + ": " + ok.message());
    return {};
  }

  Status Wipe(RecipeLine& line) {
    if (Status ok = Words(line, 0, "wipe clusters=LIST [byte=0x00|0xFF]"); !ok) return ok;
    std::vector<uint32_t> clusters;
    uint8_t value = 0;
    if (Status ok = All({ClusterList(line, &clusters), line.Byte("byte", &value)}); !ok) return ok;
    return card_->Wipe(clusters, value);
  }

  Status Bad(RecipeLine& line) {
    if (Status ok = Words(line, 0, "bad clusters=LIST"); !ok) return ok;
    std::vector<uint32_t> clusters;
    if (Status ok = ClusterList(line, &clusters); !ok) return ok;
    return card_->MarkBad(clusters);
  }

  Status LoopFolder(RecipeLine& line) {
    if (Status ok = Words(line, 1, "loop-folder PATH"); !ok) return ok;
    return card_->LoopFolder(line.Words()[0]);
  }

  Status LinkFolder(RecipeLine& line) {
    if (Status ok = Words(line, 1, "link-folder PATH name=SHORT to=TARGET"); !ok) return ok;
    const auto name = line.Text("name");
    const auto target = line.Text("to");
    if (!name || !target) return Status::Failure("link-folder needs name= and to=");
    return card_->LinkFolder(line.Words()[0], *name, *target);
  }

  Status Truncate(RecipeLine& line) {
    if (Status ok = Words(line, 0, "truncate size=BYTES"); !ok) return ok;
    uint64_t size = 0;
    if (!line.Has("size")) return Status::Failure("truncate needs size=");
    if (Status ok = line.Number("size", &size); !ok) return ok;
    return card_->Truncate(size);
  }

  Status MakeContent(RecipeLine& line, const std::string& name, DosTime time, Content* content) {
    std::string kind;
    for (std::string_view key : kContentKeys) {
      if (!line.Has(std::string(key))) continue;
      if (!kind.empty())
        return Status::Failure("give one content option, not both " + kind + "= and " +
                               std::string(key) + "=");
      kind = key;
    }
    if (kind.empty())
      return Status::Failure(
          "no content: give photo=, avi=, mov=, mp4=, tiff=, copy=, text= or data=");
    uint64_t seed = HashText(name);
    if (Status ok = line.Number("seed", &seed); !ok) return ok;
    if (kind == "photo") return Photo(line, seed, time, content);
    if (kind == "avi" || kind == "mov" || kind == "mp4") return Video(line, kind, seed, content);
    if (kind == "tiff") return Tiff(line, seed, content);
    if (kind == "copy") return Copy(*line.Text("copy"), content);
    if (kind == "text") return *content = MakeText(*line.Text("text")), Status();
    return Data(line, seed, content);
  }

  static Status Photo(RecipeLine& line, uint64_t seed, DosTime time, Content* content) {
    PhotoOptions o;
    o.seed = seed;
    o.taken = time;
    uint64_t quality = o.quality;
    if (Status ok =
            All({line.Size2D("photo", &o.width, &o.height), line.Number("quality", &quality),
                 line.Flag("thumbnail", &o.exif_thumbnail)});
        !ok) {
      return ok;
    }
    o.quality = static_cast<int>(std::min<uint64_t>(quality, 1000));
    return MakePhoto(o, content);
  }

  static Status Video(RecipeLine& line, const std::string& kind, uint64_t seed, Content* content) {
    MovieOptions o;
    o.seed = seed;
    if (kind == "mp4") {
      o.major_brand = "isom";
      o.compatible_brands = {"isom", "mp41"};
    }
    uint64_t frames = o.frames, fps = o.fps, quality = o.quality, skip = 0;
    if (Status ok = All({line.Size2D(kind, &o.width, &o.height), line.Number("frames", &frames),
                         line.Number("fps", &fps), line.Number("quality", &quality)});
        !ok) {
      return ok;
    }
    o.frames = static_cast<int>(std::min<uint64_t>(frames, 100000));
    o.fps = static_cast<int>(std::min<uint64_t>(fps, 1000));
    o.quality = static_cast<int>(std::min<uint64_t>(quality, 1000));
    if (kind == "avi") return MakeAviVideo(o, content);
    if (Status ok = All({line.Flag("mdat64", &o.mdat_64bit), line.Flag("moov-first", &o.moov_first),
                         line.Number("skip", &skip), Brands(line, &o)});
        !ok) {
      return ok;
    }
    o.leading_skip = static_cast<uint32_t>(std::min<uint64_t>(skip, 1 << 20));
    return MakeQuickTimeMovie(o, content);
  }

  // brands=MAJOR,COMPATIBLE,...; short names are padded with blanks ("qt" is "qt  ").
  static Status Brands(RecipeLine& line, MovieOptions* o) {
    const std::optional<std::string> text = line.Text("brands");
    if (!text) return {};
    std::vector<std::string> brands;
    std::stringstream list(*text);
    for (std::string brand; std::getline(list, brand, ',');) {
      if (brand.empty() || brand.size() > 4)
        return Status::Failure("brands=" + *text + ": each brand has 1 to 4 characters");
      brands.push_back(brand.append(4 - brand.size(), ' '));
    }
    if (brands.empty()) return Status::Failure("brands= needs at least a major brand");
    o->major_brand = brands.front();
    o->compatible_brands.assign(brands.begin() + 1, brands.end());
    return {};
  }

  static Status Tiff(RecipeLine& line, uint64_t seed, Content* content) {
    TiffOptions o;
    o.seed = seed;
    const std::string order = line.Text("byte-order").value_or("little");
    if (order != "little" && order != "big")
      return Status::Failure("byte-order= must be little or big");
    o.big_endian = order == "big";
    if (Status ok = line.Size2D("tiff", &o.width, &o.height); !ok) return ok;
    return MakeTiffPicture(o, content);
  }

  Status Copy(const std::string& source, Content* content) const {
    std::filesystem::path path;
    if (source.rfind(kSamplesPrefix, 0) == 0) {
      if (context_.samples_dir.empty()) {
        return Status::Failure("copy=" + source +
                               ": no samples folder (set KOVA_SAMPLES_DIR or --samples)");
      }
      path = context_.samples_dir / source.substr(kSamplesPrefix.size());
    } else {
      path = std::filesystem::path(source).is_absolute() ? std::filesystem::path(source)
                                                         : context_.base_dir / source;
    }
    return CopyExistingFile(path, content);
  }

  static Status Data(RecipeLine& line, uint64_t seed, Content* content) {
    uint64_t size = 0;
    if (Status ok = line.Number("data", &size); !ok) return ok;
    if (size > UINT32_MAX) return Status::Failure("data= is larger than a FAT file can be");
    int fill = -1;
    if (line.Has("fill")) {
      uint8_t value = 0;
      if (Status ok = line.Byte("fill", &value); !ok) return ok;
      fill = value;
    }
    *content = MakeData(size, seed, fill);
    return {};
  }

  const RecipeContext& context_;
  CardBuilder* card_;
};

}  // namespace

Status RunRecipe(std::string_view text, const RecipeContext& context, CardBuilder* card) {
  RecipeRunner runner(context, card);
  std::istringstream lines{std::string(text)};
  std::string text_line;
  for (int number = 1; std::getline(lines, text_line); ++number) {
    RecipeLine line;
    Status done = RecipeLine::Parse(text_line, &line);
    if (done && !line.Command().empty()) done = runner.Run(line);
    if (!done) return Status::Failure("line " + std::to_string(number) + ": " + done.message());
  }
  if (!card->Formatted()) return Status::Failure("the recipe has no 'volume' line");
  return {};
}

Status RunRecipeFile(const std::filesystem::path& recipe, const std::filesystem::path& samples_dir,
                     CardBuilder* card) {
  std::ifstream in(recipe, std::ios::binary);
  if (!in) return Status::Failure("cannot open recipe " + recipe.string());
  std::ostringstream text;
  text << in.rdbuf();
  const RecipeContext context{recipe.parent_path(), samples_dir};
  Status done = RunRecipe(text.str(), context, card);
  if (!done) return Status::Failure(recipe.filename().string() + " " + done.message());
  return {};
}

}  // namespace kova::mkcard
