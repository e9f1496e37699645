#include "exfat/exfat_recovery.h"

#include "exfat/exfat_file_recovery.h"
#include "framework/text_utils.h"
#include "framework/worker_interfaces.h"
#include "recovery/run_stopped.h"

namespace kova {

namespace {

constexpr char kName[] = "exFAT";

}  // namespace

bool TXDRExfatRecovery::Open(const TXDRVolumePlace& place) {
  place_ = place;
  used_.Clear();
  used_.RecalcSize();
  tree_.reset();
  if (!place.Stream) return false;
  if (!place.ReportedFileSystem.empty() && !SameText(place.ReportedFileSystem, kName)) return false;
  if (!volume_.Load(*place.Stream)) return false;
  tree_ = std::make_unique<TXExfatTree>(volume_);
  return true;
}

TXDRFileSystemFacts TXDRExfatRecovery::Facts() const {
  TXDRFileSystemFacts facts;
  const TXExfatBootSector& boot = volume_.Boot();
  facts.Name = kName;
  facts.Label = volume_.Label();
  facts.Serial = boot.VolumeSerial();
  facts.SectorSize = boot.SectorBytes();
  facts.ClusterSize = static_cast<uint32_t>(boot.ClusterBytes());
  facts.TotalClusters = boot.ClusterCount();
  facts.FreeClusters = volume_.FreeClusters();
  facts.FromBackupBoot = volume_.BootRegion().Source == TXExfatBootSource::bsBackup;
  facts.Missing = MissingBytes(boot.VolumeSectors(), boot.SectorBytes(), volume_.Stream().Size());
  return facts;
}

template <class Offer>
void TXDRExfatRecovery::OfferFound(size_t first, IXWorker& worker, Offer offer) {
  for (size_t i = first; i < tree_->Found().size(); ++i) {
    TXExfatFound& found = tree_->Found()[i];
    if (!found.Entry.IsFolder() && !found.Processed) {
      if (RunStopped(worker)) return;
      offer(found);
    }
    worker.GetProgress().StepIt();
  }
}

void TXDRExfatRecovery::RecoverFromDirectories(IXWorker& worker, IXDRFoundFileSink& sink) {
  IXProgress& progress = worker.GetProgress();
  auto stopped = [&worker] { return RunStopped(worker); };
  progress.BeginSection(10);
  tree_->ReadLiveFolders(stopped);
  progress.EndSection();
  if (stopped()) return;
  TXDRExfatFileRecovery files(volume_, place_, worker, sink);
  progress.BeginSection(90);
  progress.SetMax(static_cast<uint32_t>(2 * tree_->Found().size() + 1));
  OfferFound(0, worker, [&](TXExfatFound& f) {
    if (!f.Deleted) files.OfferLive(f, used_);
  });
  if (stopped()) return;
  OfferFound(0, worker, [&](TXExfatFound& f) { files.OfferDeleted(f, false); });
  if (stopped()) return;
  progress.EndSection();
}

void TXDRExfatRecovery::RecoverLostFolders(IXWorker& worker, IXDRFoundFileSink& sink) {
  IXProgress& progress = worker.GetProgress();
  auto stopped = [&worker] { return RunStopped(worker); };
  const size_t first = tree_->Found().size();
  progress.BeginSection(10);
  tree_->ReadDeletedFolders(stopped);
  progress.EndSection();
  if (stopped()) return;
  progress.BeginSection(40);
  tree_->ReadLostFolders(stopped, [&progress](uint8_t percent) { progress.SetPercent(percent); });
  progress.EndSection();
  if (stopped()) return;
  TXDRExfatFileRecovery files(volume_, place_, worker, sink);
  progress.BeginSection(50);
  progress.SetMax(static_cast<uint32_t>(tree_->Found().size() - first + 1));
  OfferFound(first, worker, [&](TXExfatFound& f) { files.OfferDeleted(f, true); });
  if (stopped()) return;
  progress.EndSection();
}

void TXDRExfatRecovery::AddUsedExtents(TXBlocks& used) const {
  TXBlocks mine = used_;
  volume_.AddAllocated(mine);
  mine.Normalize();
  for (const TXBlock& block : mine)
    used.Append({block.Start + place_.Start, block.Size});
  used.RecalcSize();
}

}  // namespace kova
