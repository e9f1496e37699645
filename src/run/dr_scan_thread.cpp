#include "run/dr_scan_thread.h"

#include <exception>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "recovery/file_item.h"
#include "recovery/file_types.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

// Whether every byte of a file that an entry describes belongs to it: a live file's chain does;
// so do the clusters of a deleted video or raw file that its format recognised and that lay one
// after the other, whose frames and previews are pictures of their own kind. The clusters a
// deleted photo (or a file of no picture type, or one whose clusters were passed over or whose
// format failed) is taken to lie on may hold another file after its start.
bool BindsItsBytes(const TXDRFileItem& item) {
  if (OriginOf(item) == TXDRFileOrigin::foLive) return true;
  if (item.ClustersReused || item.Status.Contains(drScanError)) return false;
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  return formatClass && formatClass->Kind != skJPG;
}

}  // namespace

TXCustomDRScanThread::TXCustomDRScanThread(TXRef<IXWorker> worker, TXDRData& data)
    : TXCustomDRThread(std::move(worker), data) {
  search_.SetWorker(TXRef<IXWorker>(&Worker()));
}

TXCustomDRScanThread::~TXCustomDRScanThread() {
  // The body uses this object: it must have stopped before the members go.
  Stop();
  search_.SetWorker(nullptr);
}

void TXCustomDRScanThread::Execute() {
  Data().Elapsed = CoreApp().Now();
  ClearThreadError();
  Worker().GetProgress().Reset();
  Name = "Scan";
  Worker().SetName(Name);
  const TXHandler handler(this, &TXCustomDRScanThread::OnFoundFile);
  Worker().AddObserver(AspectClassOf<TXDRFoundFileAspect>(), handler);
  try {
    if (OpenInput()) RunWithQueue();
  } catch (const std::exception& error) {
    RecordException(error);
  } catch (...) {
    SetThreadErrorIfNone(kErrOsError, 0, "unknown failure");
  }
  Data().Elapsed = CoreApp().Now() - Data().Elapsed;
  Worker().RemoveObserver(AspectClassOf<TXDRFoundFileAspect>(), handler);
  End();
}

void TXCustomDRScanThread::End() {
  if (CoreApp().IsTerminating()) {
    DropEndCallback();
    return;
  }
  Worker().SetName(Name);
  if (Worker().IsCancelled()) return;
  const TXErrorData& outcome = ThreadError();
  Worker().Terminate(IsBenignMediaError(outcome.Code) ? TXErrorData{} : outcome);
}

void TXCustomDRScanThread::RunWithQueue() {
  TXDRFoundFileQueue queue(Worker(), Data().Threads,
                           Data().KeepThumbnails ? Data().ExtFilter : TXExtensionList{});
  queue_ = &queue;
  struct QueueEnd {
    TXDRFoundFileQueue*& queue;
    ~QueueEnd() { queue = nullptr; }
  } queueEnd{queue_};
  try {
    Run();
  } catch (...) {
    queue.ReleaseAll();
    throw;
  }
  queue.ReleaseAll();
}

bool TXCustomDRScanThread::Takes(const TXDRFileItem& offered) const {
  if (offered.Size() == 0) return false;
  return !offered.IsDeletedEntry() || !taken_.Holds(offered.Blocks());
}

// The extents are noted before the type filter: a scan for some types then tells repeats from
// new files as a scan for every type does, and does not measure the other types' files twice.
void TXCustomDRScanThread::OnFoundFile(AXNotification& notification) {
  auto* aspect = notification.AspectAs<TXDRFoundFileAspect>();
  if (!aspect) return;
  if (OriginOf(*aspect->Item) != TXDRFileOrigin::foSearch) Worker().Figures().CountEntry();
  if (!Takes(*aspect->Item)) return;
  taken_.Add(aspect->Item->Blocks(), aspect->Item->Ext);
  // An entry's file of no catalogue type is never shown: what the search finds in it is new.
  if (OriginOf(*aspect->Item) != TXDRFileOrigin::foSearch &&
      FileGroupOf(aspect->Item->Ext) != fgNone)
    taken_.AddEntryFile(aspect->Item->Blocks(), BindsItsBytes(*aspect->Item));
  if (!ListHasExtension(Data().ExtFilter, aspect->Item->Ext)) return;
  TXDRFileItem* item = Data().Files->Add();
  item->Assign(*aspect->Item);
  if (item->Name.empty()) item->Name = FoundFileName(++Counter, item->Ext);
  // A file found by its content belongs to the volume its first byte lies in.
  if (OriginOf(*item) == TXDRFileOrigin::foSearch)
    item->Volume = Data().Volumes.VolumeAt(item->Blocks()[0].Start);
  Worker().Figures().CountFile();
  if (Sink) Sink->Kept(*item, OriginOf(*item) == TXDRFileOrigin::foSearch);
  Worker().Post(MakeSharedNotification<TXDRAddFileAspect>(item));
}

}  // namespace kova
