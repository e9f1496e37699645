#pragma once

#include <string>

#include "framework/oem_code_pages.h"
#include "recovery/blocks.h"
#include "recovery/file_collection.h"
#include "recovery/file_types.h"
#include "run/run_volumes.h"
#include "storage/disk_io.h"

namespace kova {

// What the recovery threads share: the inputs, the volumes and their file systems, the space of
// live files, the extension filter and the found files. One instance belongs to the worker gear and
// serves every run; only the run's thread uses it while a run is active.
class TXDRData {
 public:
  TXDRData();
  TXDRData(const TXDRData&) = delete;
  TXDRData& operator=(const TXDRData&) = delete;

  // No input; both inputs closed; the volumes forgotten.
  void Reset();
  // Sorted lower-case extensions without duplicates.
  void SetExtFilter(TXExtensionList extensions);
  // The found files: the data gear's collection once attached, else one of the run data's own.
  void AttachFiles(TXDRFileCollection* files) { Files = files ? files : &ownFiles_; }

  double Elapsed = 0;  // the start time while a scan runs, its length (days) afterwards
  TXExtensionList ExtFilter;
  TXCustomDiskIO* IO = nullptr;  // FileIO or DiskIO while a run reads it
  TXFileDiskIO FileIO;
  TXDiskIO DiskIO;
  TXDRRunVolumes Volumes;                // the medium's volumes and their file systems
  uint16_t CodePage = kDefaultCodePage;  // the OEM code page of FAT short names
  TXBlocks UsedBlocks;                   // the extents of live files
  // The threads that decode thumbnails during a scan, the scan thread among them; 0 for one per
  // processor core, 1 for the scan thread alone.
  int32_t Threads = 0;
  // Whether the scan keeps the thumbnails of the files it keeps. Without them (kova-cli recover,
  // which shows none) only the pictures that decide whether a file counts are decoded.
  bool KeepThumbnails = true;
  TXDRFileCollection* Files;
  // The image file the last image copy left: the chosen name when the copy is whole, the
  // incomplete copy's name, or empty.
  std::string ImageFile;

 private:
  TXDRFileCollection ownFiles_;
};

}  // namespace kova
