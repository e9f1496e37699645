#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_source.h"
#include "cli/cli_texts.h"
#include "framework/oem_code_pages.h"
#include "persistence/lg_keys.h"
#include "run/run_volumes.h"
#include "storage/disk_io.h"

namespace kova::cli {

namespace {

// One entry of the partition table, with the file system of its volume when one was recognised.
struct TXPartitionFacts {
  TXPartitionEntry Entry;
  std::optional<TXDRFileSystemFacts> FileSystem;
};

// What info tells of a source, gathered before anything is printed.
struct TXSourceFacts {
  bool Drive = false;
  TXDiskInfoRecord Reported;  // from the system (a drive) or the trailer (an image file)
  bool HasTrailer = false;
  TXVolumeSystem Table;
  std::vector<TXPartitionFacts> Partitions;  // empty without a table
  // The file system of a medium without a table, when one was recognised.
  std::optional<TXDRFileSystemFacts> Whole;
};

void ReadVolumes(TXCustomDiskIO& io, TXSourceFacts& facts) {
  TXDRRunVolumes volumes;
  volumes.Open(io, kDefaultCodePage);
  facts.Table = volumes.System();
  auto factsOf = [&](int32_t number) -> std::optional<TXDRFileSystemFacts> {
    for (const TXDRRunVolume& volume : volumes.Volumes()) {
      if (volume.Extent.Number == number && volume.Recovery) return volume.Recovery->Facts();
    }
    return std::nullopt;
  };
  if (facts.Table.Scheme == TXPartitionScheme::psNone) {
    facts.Whole = factsOf(1);
    return;
  }
  for (const TXPartitionEntry& entry : facts.Table.Partitions)
    facts.Partitions.push_back({entry, factsOf(entry.Number)});
}

std::string SerialText(uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
  return text;
}

std::string SizeText(int64_t bytes) {
  return FormatByteSize(bytes) + " (" + std::to_string(bytes) + " bytes)";
}

std::string TypeText(const TXPartitionEntry& entry) {
  if (!entry.GptType.empty()) return entry.GptType;
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", entry.MbrType);
  return text;
}

void PrintLine(const std::string& label, const std::string& value) {
  std::printf("%-16s %s\n", (label + ":").c_str(), value.c_str());
}

void PrintLine(uint32_t label, const std::string& value) {
  PrintLine(Say(label), value);
}

// How a table problem is said to people and named in JSON.
struct TXProblemWords {
  uint32_t Text;
  const char* Key;
};

TXProblemWords WordsOf(TXTableProblemKind kind) {
  switch (kind) {
    case TXTableProblemKind::tpPastEnd:
      return {lg::kCliInfoPastEnd, "past_end"};
    case TXTableProblemKind::tpInsideTable:
      return {lg::kCliInfoInsideTable, "inside_table"};
    case TXTableProblemKind::tpOverlap:
      return {lg::kCliInfoOverlap, "overlap"};
    case TXTableProblemKind::tpChainBroken:
      return {lg::kCliInfoChainBroken, "chain_broken"};
    case TXTableProblemKind::tpGptPrimary:
      return {lg::kCliInfoGptPrimary, "gpt_primary_damaged"};
    case TXTableProblemKind::tpGptDamaged:
      return {lg::kCliInfoGptDamaged, "gpt_damaged"};
    case TXTableProblemKind::tpCut:
      return {lg::kCliInfoCut, "cut"};
    default:
      return {lg::kCliInfoGptEntries, "gpt_entries"};
  }
}

std::string ProblemLine(const TXTableProblem& problem) {
  return Say(WordsOf(problem.Kind).Text,
             {std::to_string(problem.Number), SizeText(problem.Missing)});
}

void PrintFileSystem(const TXDRFileSystemFacts& fs) {
  PrintLine(lg::kCliInfoFileSystem, fs.Name);
  PrintLine(lg::kCliInfoClusterSize, FormatByteSize(fs.ClusterSize));
  PrintLine(lg::kCliInfoVolumeLabel, fs.Label);
  PrintLine(lg::kCliInfoSerial, SerialText(fs.Serial));
  PrintLine(lg::kCliInfoClusters,
            Say(lg::kCliClusterCounts, {std::to_string(fs.TotalClusters),
                                        std::to_string(fs.TotalClusters - fs.FreeClusters),
                                        std::to_string(fs.FreeClusters)}));
  PrintLine(lg::kCliInfoFreeSpace, SizeText(fs.FreeClusters * fs.ClusterSize));
  if (fs.FromBackupBoot) PrintLine(lg::kCliInfoBootSector, Say(lg::kCliInfoBackupBoot));
  if (fs.Missing > 0)
    PrintLine(lg::kCliInfoMissing, Say(lg::kCliInfoMissingFacts, {SizeText(fs.Missing)}));
}

// What a partition holds: its file system and label, an extended partition's logical ones, or
// nothing recognised.
std::string ContentText(const TXPartitionFacts& partition) {
  if (IsExtendedType(partition.Entry.MbrType)) return Say(lg::kCliInfoExtended);
  if (!partition.FileSystem) return Say(lg::kCliInfoUnknownVolume);
  const TXDRFileSystemFacts& fs = *partition.FileSystem;
  std::string text = fs.Name;
  if (!fs.Label.empty()) text += Say(lg::kCliInfoPartitionLabel, {fs.Label});
  if (fs.FromBackupBoot) text += Say(lg::kCliInfoPartitionBackupBoot);
  if (fs.Missing > 0) text += Say(lg::kCliInfoPartitionMissing, {SizeText(fs.Missing)});
  return text;
}

// One line per partition: number, start, size, type, (GPT) name, file system and label.
void PrintPartitions(const TXSourceFacts& facts) {
  for (const TXPartitionFacts& partition : facts.Partitions) {
    const TXPartitionEntry& entry = partition.Entry;
    std::string type = TypeText(entry);
    if (!entry.Name.empty()) type += Say(lg::kCliInfoPartitionName, {entry.Name});
    PrintLine(Say(lg::kCliInfoPartition, {std::to_string(entry.Number)}),
              Say(lg::kCliInfoPartitionFacts,
                  {SizeText(entry.Start), SizeText(entry.Size), type, ContentText(partition)}));
  }
}

void PrintText(const TXCliSource& source, const TXSourceFacts& facts) {
  PrintLine(
      lg::kCliInfoSource,
      source.Path + " (" + Say(facts.Drive ? lg::kCliInfoDrive : lg::kCliInfoImageFile) + ")");
  PrintLine(lg::kCliInfoSize, SizeText(facts.Reported.DiskSize));
  const bool table = facts.Table.Scheme != TXPartitionScheme::psNone;
  PrintLine(lg::kCliInfoTable,
            table ? PartitionSchemeName(facts.Table.Scheme) : Say(lg::kCliInfoNoTable));
  for (const TXTableProblem& problem : facts.Table.Problems)
    PrintLine(lg::kCliInfoTableProblem, ProblemLine(problem));
  if (table) {
    PrintPartitions(facts);
  } else if (facts.Whole) {
    PrintFileSystem(*facts.Whole);
  } else {
    PrintLine(lg::kCliInfoFileSystem, Say(lg::kCliInfoNoFileSystem));
  }
  const TXDiskInfoRecord& r = facts.Reported;
  const std::string reported =
      Say(lg::kCliInfoTrailerFacts,
          {r.FileSystem.empty() ? "-" : r.FileSystem, FormatByteSize(r.ClusterSize), r.VolumeName});
  if (facts.Drive) {
    PrintLine(lg::kCliInfoReported, reported);
  } else {
    PrintLine(lg::kCliInfoTrailer, facts.HasTrailer ? reported : Say(lg::kCliInfoNoTrailer));
  }
}

std::string ReportedJson(const TXDiskInfoRecord& r) {
  return TXJsonObject()
      .Add("file_system", r.FileSystem)
      .Add("volume_name", r.VolumeName)
      .Add("volume_serial", SerialText(r.VolumeSerial))
      .Add("sector_size", r.SectorSize)
      .Add("cluster_size", r.ClusterSize)
      .Add("total_clusters", r.TotalClusters)
      .Add("free_clusters", r.FreeClusters)
      .Text();
}

void AddFileSystemJson(TXJsonObject& json, const std::optional<TXDRFileSystemFacts>& fs) {
  if (!fs) {
    json.AddNull("file_system").AddNull("fat_type");
    return;
  }
  json.Add("file_system", fs->Name)
      .Add("fat_type", fs->Name)
      .Add("cluster_size", fs->ClusterSize)
      .Add("volume_label", fs->Label)
      .Add("volume_serial", SerialText(fs->Serial))
      .Add("total_clusters", fs->TotalClusters)
      .Add("used_clusters", fs->TotalClusters - fs->FreeClusters)
      .Add("free_clusters", fs->FreeClusters)
      .Add("free_bytes", fs->FreeClusters * fs->ClusterSize)
      .Add("backup_boot_sector", fs->FromBackupBoot)
      .Add("missing_bytes", fs->Missing);
}

std::string JsonList(const std::vector<std::string>& objects) {
  std::string list;
  for (const std::string& object : objects)
    list += (list.empty() ? "" : ",") + object;
  return "[" + list + "]";
}

std::string PartitionsJson(const TXSourceFacts& facts) {
  std::vector<std::string> objects;
  for (const TXPartitionFacts& partition : facts.Partitions) {
    const TXPartitionEntry& entry = partition.Entry;
    TXJsonObject json;
    json.Add("number", entry.Number)
        .Add("start", entry.Start)
        .Add("size", entry.Size)
        .Add("type", TypeText(entry))
        .Add("name", entry.Name)
        .Add("extended", IsExtendedType(entry.MbrType))
        .Add("missing_bytes", entry.Missing);
    AddFileSystemJson(json, partition.FileSystem);
    objects.push_back(json.Text());
  }
  return JsonList(objects);
}

std::string ProblemsJson(const TXSourceFacts& facts) {
  std::vector<std::string> objects;
  for (const TXTableProblem& problem : facts.Table.Problems) {
    objects.push_back(TXJsonObject()
                          .Add("problem", WordsOf(problem.Kind).Key)
                          .Add("partition", problem.Number)
                          .Add("missing_bytes", problem.Missing)
                          .Add("text", ProblemLine(problem))
                          .Text());
  }
  return JsonList(objects);
}

void PrintJson(const TXCliSource& source, const TXSourceFacts& facts) {
  TXJsonObject json;
  json.Add("source", source.Path)
      .Add("kind", facts.Drive ? "drive" : "image")
      .Add("size", facts.Reported.DiskSize);
  if (facts.Table.Scheme == TXPartitionScheme::psNone) {
    json.AddNull("partition_table");
  } else {
    json.Add("partition_table", PartitionSchemeName(facts.Table.Scheme));
  }
  json.AddRaw("partitions", PartitionsJson(facts)).AddRaw("table_problems", ProblemsJson(facts));
  AddFileSystemJson(json, facts.Whole);
  if (facts.Drive) {
    json.AddRaw("reported", ReportedJson(facts.Reported));
  } else if (facts.HasTrailer) {
    json.AddRaw("trailer", ReportedJson(facts.Reported));
  } else {
    json.AddNull("trailer");
  }
  std::printf("%s\n", json.Text().c_str());
}

}  // namespace

int RunInfoCommand(const TXCliArguments& arguments) {
  std::string path;
  int status = ceSuccess;
  if (!TakeSource(arguments, path, status)) return status;
  const TXCliSource source = ExamineSource(path);
  if (!source.IsUsable()) return Fail(SourceProblem(source), ceSourceUnreadable);
  std::unique_ptr<TXCustomDiskIO> io;
  if (source.Kind == TXCliSourceKind::skDrive) {
    io = std::make_unique<TXDiskIO>();
  } else {
    io = std::make_unique<TXFileDiskIO>();
  }
  if (!io->Open(path, ioRead)) return Fail(ReadFailure(source, ThreadError()), ceSourceUnreadable);
  TXSourceFacts facts;
  facts.Drive = source.Kind == TXCliSourceKind::skDrive;
  if (facts.Drive) static_cast<TXDiskIO&>(*io).CountFreeSpace();
  facts.Reported = io->DiskInfo;
  facts.HasTrailer =
      !facts.Drive && (io->DiskInfo.ClusterSize != 0 || !io->DiskInfo.FileSystem.empty() ||
                       !io->DiskInfo.VolumeName.empty());
  try {
    ReadVolumes(*io, facts);
  } catch (const std::exception&) {
    return Fail(ReadFailure(source, ThreadError()), ceSourceUnreadable);
  }
  arguments.Has("json") ? PrintJson(source, facts) : PrintText(source, facts);
  return ceSuccess;
}

}  // namespace kova::cli
