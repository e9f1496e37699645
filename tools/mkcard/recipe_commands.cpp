#include <map>

#include "cluster_list.h"
#include "recipe_runner.h"

// The recipe commands that make entries and place, fill or damage clusters.
namespace kova::mkcard {

Status RecipeRunner::Run(RecipeLine& line) {
  static const std::map<std::string, Status (RecipeRunner::*)(RecipeLine&)> kCommands = {
      {"card", &RecipeRunner::Card},
      {"partition", &RecipeRunner::Partition},
      {"volume", &RecipeRunner::Volume},
      {"use-volume", &RecipeRunner::UseVolume},
      {"damage", &RecipeRunner::Damage},
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
  const bool opens = line.Command() == "volume" || line.Command() == "card";
  if (!opens && !card_->HasCard())
    return Status::Failure("the recipe must start with a 'volume' line or a 'card' line");
  if (Status done = (this->*command->second)(line); !done) return done;
  return line.CheckAllUsed();
}

Status RecipeRunner::Words(const RecipeLine& line, size_t count, const char* usage) {
  if (line.Words().size() != count) return Status::Failure("usage: " + std::string(usage));
  return {};
}

Status RecipeRunner::All(std::initializer_list<Status> results) {
  for (const Status& s : results) {
    if (!s) return s;
  }
  return {};
}

Status RecipeRunner::SetTime(RecipeLine& line) {
  std::string text;
  for (const std::string& word : line.Words())
    text += (text.empty() ? "" : " ") + word;
  const std::optional<DosTime> time = ParseDosTime(text);
  if (!time) return Status::Failure("usage: time YYYY-MM-DD HH:MM:SS (1980 to 2107, even seconds)");
  card_->SetTime(*time);
  return {};
}

Status RecipeRunner::Entry(RecipeLine& line, EntryOptions* entry) {
  entry->long_name = line.Text("long-name").value_or("");
  // Without a long-name= the path's last name is the name as the user gave it: FAT makes the
  // short alias (the name itself when it fits 8.3 in upper case).
  entry->generate_short_name = entry->long_name.empty();
  return line.Time("time", &entry->time);
}

// clusters=LIST or from=CLUSTER|PATH[+N].
Status RecipeRunner::Where(RecipeLine& line, Placement* placement) {
  if (line.Has("clusters") && line.Has("from"))
    return Status::Failure("give clusters= or from=, not both");
  if (line.Has("clusters") && line.Has("fragments"))
    return Status::Failure("give clusters= or fragments=, not both");
  if (Status ok = All({line.Limited("fragments", 1 << 20, &placement->fragments),
                       line.Limited("gap", UINT32_MAX, &placement->gap)});
      !ok) {
    return ok;
  }
  if (auto list = line.Text("clusters")) {
    if (Status ok = ParseClusterList(*list, &placement->clusters); !ok)
      return Status::Failure("clusters=" + *list + ": " + ok.message());
  }
  if (auto from = line.Text("from")) return ClusterValue(*from, &placement->from);
  return {};
}

Status RecipeRunner::ClusterValue(const std::string& text, uint32_t* cluster) {
  const std::optional<uint64_t> number = ParseQuantity(text);
  if (number) {
    if (*number > UINT32_MAX) return Status::Failure("cluster " + text + " is out of range");
    *cluster = static_cast<uint32_t>(*number);
    return {};
  }
  return card_->ClusterOf(text, cluster);
}

Status RecipeRunner::Folder(RecipeLine& line) {
  if (Status ok = Words(line, 1, "folder PATH [long-name=...] [time=...] [clusters=...|from=...]");
      !ok)
    return ok;
  EntryOptions entry;
  Placement placement;
  if (Status ok = All({Entry(line, &entry), Where(line, &placement)}); !ok) return ok;
  return card_->MakeFolder(line.Words()[0], entry, placement);
}

Status RecipeRunner::File(RecipeLine& line) {
  if (Status ok =
          Words(line, 1, "file PATH CONTENT [long-name=...] [time=...] [clusters=...|from=...]");
      !ok)
    return ok;
  EntryOptions entry;
  Placement placement;
  if (Status ok = All({Entry(line, &entry), Where(line, &placement),
                       line.Byte("reserved-bits", &placement.reserved_fat_bits)});
      !ok) {
    return ok;
  }
  Content content;
  const std::string& path = line.Words()[0];
  if (Status ok = MakeContent(line, path, entry.time.value_or(card_->Time()), &content); !ok)
    return ok;
  return card_->WriteFile(path, content, placement, entry);
}

Status RecipeRunner::Delete(RecipeLine& line) {
  if (Status ok = Words(line, 1, "delete PATH"); !ok) return ok;
  return card_->Delete(line.Words()[0]);
}

Status RecipeRunner::Raw(RecipeLine& line) {
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
    const std::optional<uint64_t> at = card_->ClusterOffset(cluster);
    if (!at) return Status::Failure("cluster " + *reference + " does not exist");
    offset = *at;
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

Status RecipeRunner::ClusterList(RecipeLine& line, std::vector<uint32_t>* clusters) {
  const std::optional<std::string> list = line.Text("clusters");
  if (!list) return Status::Failure("clusters= is required");
  if (Status ok = ParseClusterList(*list, clusters); !ok)
    return Status::Failure("clusters=" + *list + ": " + ok.message());
  return {};
}

Status RecipeRunner::Wipe(RecipeLine& line) {
  if (Status ok = Words(line, 0, "wipe clusters=LIST [byte=0x00|0xFF]"); !ok) return ok;
  std::vector<uint32_t> clusters;
  uint8_t value = 0;
  if (Status ok = All({ClusterList(line, &clusters), line.Byte("byte", &value)}); !ok) return ok;
  return card_->Wipe(clusters, value);
}

Status RecipeRunner::Bad(RecipeLine& line) {
  if (Status ok = Words(line, 0, "bad clusters=LIST"); !ok) return ok;
  std::vector<uint32_t> clusters;
  if (Status ok = ClusterList(line, &clusters); !ok) return ok;
  return card_->MarkBad(clusters);
}

Status RecipeRunner::LoopFolder(RecipeLine& line) {
  if (Status ok = Words(line, 1, "loop-folder PATH"); !ok) return ok;
  return card_->LoopFolder(line.Words()[0]);
}

Status RecipeRunner::LinkFolder(RecipeLine& line) {
  if (Status ok = Words(line, 1, "link-folder PATH name=SHORT to=TARGET"); !ok) return ok;
  const auto name = line.Text("name");
  const auto target = line.Text("to");
  if (!name || !target) return Status::Failure("link-folder needs name= and to=");
  return card_->LinkFolder(line.Words()[0], *name, *target);
}

Status RecipeRunner::Truncate(RecipeLine& line) {
  if (Status ok = Words(line, 0, "truncate size=BYTES"); !ok) return ok;
  uint64_t size = 0;
  if (!line.Has("size")) return Status::Failure("truncate needs size=");
  if (Status ok = line.Number("size", &size); !ok) return ok;
  return card_->Truncate(size);
}

}  // namespace kova::mkcard
