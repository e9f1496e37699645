#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_source.h"
#include "cli/cli_texts.h"
#include "fat/fat_table.h"
#include "persistence/lg_keys.h"
#include "storage/disk_io.h"

namespace kova::cli {

namespace {

// What info tells of a source, gathered before anything is printed.
struct TXSourceFacts {
  bool Drive = false;
  TXDiskInfoRecord Reported;  // from the system (a drive) or the trailer (an image file)
  bool HasTrailer = false;
  std::optional<TXFatType> Fat;  // set for a FAT16 or FAT32 volume at offset 0
  int64_t ClusterBytes = 0;
  std::string Label;
  uint32_t Serial = 0;
  int64_t TotalClusters = 0;
  int64_t FreeClusters = 0;
};

int64_t CountFree(const TXFAT& fat) {
  int64_t free = 0;
  for (uint32_t c = fat.NextAvailableCluster(1); c != 0; c = fat.NextAvailableCluster(c))
    ++free;
  return free;
}

void ReadVolume(TXCustomDiskIO& io, TXSourceFacts& facts) {
  std::unique_ptr<TXFileSystem> fileSystem = OpenFileSystem(*io.Stream(), io.DiskInfo);
  auto* fat = dynamic_cast<TXFAT*>(fileSystem.get());
  if (!fat) return;
  const TXBootSector& boot = fat->BootSector();
  facts.Fat = fat->FatType();
  facts.ClusterBytes = boot.ClusterBytes();
  facts.Label = boot.VolumeLabel();
  facts.Serial = boot.VolumeSerial();
  facts.TotalClusters = std::max<int64_t>(0, fat->ClusterCount() - 2);
  facts.FreeClusters = CountFree(*fat);
}

std::string SerialText(uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
  return text;
}

std::string SizeText(int64_t bytes) {
  return FormatByteSize(bytes) + " (" + std::to_string(bytes) + " bytes)";
}

void PrintLine(uint32_t label, const std::string& value) {
  std::printf("%-16s %s\n", (Say(label) + ":").c_str(), value.c_str());
}

void PrintText(const TXCliSource& source, const TXSourceFacts& facts) {
  PrintLine(
      lg::kCliInfoSource,
      source.Path + " (" + Say(facts.Drive ? lg::kCliInfoDrive : lg::kCliInfoImageFile) + ")");
  PrintLine(lg::kCliInfoSize, SizeText(facts.Reported.DiskSize));
  if (!facts.Fat) {
    PrintLine(lg::kCliInfoFileSystem, Say(lg::kCliInfoNoFileSystem));
  } else {
    PrintLine(lg::kCliInfoFileSystem, FatTypeName(*facts.Fat));
    PrintLine(lg::kCliInfoClusterSize, FormatByteSize(facts.ClusterBytes));
    PrintLine(lg::kCliInfoVolumeLabel, facts.Label);
    PrintLine(lg::kCliInfoSerial, SerialText(facts.Serial));
    PrintLine(lg::kCliInfoClusters,
              std::to_string(facts.TotalClusters) + " / " + std::to_string(facts.FreeClusters));
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

void PrintJson(const TXCliSource& source, const TXSourceFacts& facts) {
  TXJsonObject json;
  json.Add("source", source.Path)
      .Add("kind", facts.Drive ? "drive" : "image")
      .Add("size", facts.Reported.DiskSize);
  if (facts.Fat) {
    json.Add("file_system", FatTypeName(*facts.Fat))
        .Add("fat_type", FatTypeName(*facts.Fat))
        .Add("cluster_size", facts.ClusterBytes)
        .Add("volume_label", facts.Label)
        .Add("volume_serial", SerialText(facts.Serial))
        .Add("total_clusters", facts.TotalClusters)
        .Add("free_clusters", facts.FreeClusters);
  } else {
    json.AddNull("file_system").AddNull("fat_type");
  }
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
  facts.Reported = io->DiskInfo;
  facts.HasTrailer =
      !facts.Drive && (io->DiskInfo.ClusterSize != 0 || !io->DiskInfo.FileSystem.empty() ||
                       !io->DiskInfo.VolumeName.empty());
  try {
    ReadVolume(*io, facts);
  } catch (const std::exception&) {
    return Fail(ReadFailure(source, ThreadError()), ceSourceUnreadable);
  }
  arguments.Has("json") ? PrintJson(source, facts) : PrintText(source, facts);
  return ceSuccess;
}

}  // namespace kova::cli
