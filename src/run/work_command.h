#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/command.h"
#include "run/dr_thread.h"
#include "run/dr_worker_gear.h"

namespace kova {

// A unit of recovery work for the worker gear: it copies the extensions of the next run into the
// run data, creates its thread and starts it, unless a run is in progress. Path names the input
// (a drive or an image file); Size is the size the user chose for a drive that reports none.
class TXDRWorkCommand : public TXCommand {
 public:
  TXDRWorkCommand(TXDRWorkerGear* gear, std::string path, int64_t size = 0)
      : Gear(gear), Path(std::move(path)), Size(size) {}

  void Execute() override;

  TXDRWorkerGear* Gear;
  std::string Path;
  int64_t Size;

 protected:
  virtual std::unique_ptr<TXCustomDRThread> CreateThread() = 0;
  // Names the command's input on the thread.
  virtual void SetInput(TXCustomDRThread& thread) const = 0;

  // A thread of class T on the gear's worker and data, with the command's input.
  template <class T>
  std::unique_ptr<TXCustomDRThread> MakeThread() const;
};

template <class T>
std::unique_ptr<TXCustomDRThread> TXDRWorkCommand::MakeThread() const {
  auto thread = std::make_unique<T>(Gear->WorkerRef(), Gear->Data());
  SetInput(*thread);
  return thread;
}

// Work on a drive: the thread reads DrivePath, with the chosen size.
class TXDRDiskWorkCommand : public TXDRWorkCommand {
 public:
  using TXDRWorkCommand::TXDRWorkCommand;

 protected:
  void SetInput(TXCustomDRThread& thread) const override;
};

// Work on a memory card image file: the thread reads ImageFileName.
class TXDRImageFileWorkCommand : public TXDRWorkCommand {
 public:
  TXDRImageFileWorkCommand(TXDRWorkerGear* gear, std::string imageFile)
      : TXDRWorkCommand(gear, std::move(imageFile)) {}

 protected:
  void SetInput(TXCustomDRThread& thread) const override;
};

// Scanning a drive.
class TXDRDiskDeepScanWorkCommand final : public TXDRDiskWorkCommand {
 public:
  using TXDRDiskWorkCommand::TXDRDiskWorkCommand;

 protected:
  std::unique_ptr<TXCustomDRThread> CreateThread() override;
};

// Parsing a memory card image file.
class TXDRScanImageFileWorkCommand final : public TXDRImageFileWorkCommand {
 public:
  using TXDRImageFileWorkCommand::TXDRImageFileWorkCommand;

 protected:
  std::unique_ptr<TXCustomDRThread> CreateThread() override;
};

}  // namespace kova
