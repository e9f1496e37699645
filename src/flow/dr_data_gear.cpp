#include "flow/dr_data_gear.h"

#include "flow/dr_engine.h"
#include "flow/dr_view_gear.h"
#include "framework/aspects.h"
#include "framework/oem_code_pages.h"
#include "run/dr_worker_gear.h"
#include "storage/bad_sector_map.h"
#include "storage/buf_stream.h"

namespace kova {

TXDRDataGear::TXDRDataGear(TXDREngine& engine) : TXGear("Data"), engine_(engine) {}

TXDRDataGear::~TXDRDataGear() {
  observers_.Clear();
}

TXExtensionList TXDRDataGear::ScanExtensions() {
  fileTypeList_ = AdvancedMode && Settings ? Settings->FileTypes().GetSelectedExtensions()
                                           : TXDRFileTypes::GetAllExtensions();
  return fileTypeList_;
}

uint16_t TXDRDataGear::ScanCodePage() {
  return Settings ? Settings->CodePage() : kDefaultCodePage;
}

void TXDRDataGear::OnAssemble(AXNotification& notification) {
  if (notification.AspectAs<TXAssembleAspect>()) Assemble();
}

void TXDRDataGear::Assemble() {
  observers_.Add<TXOperationThreadTerminatedAspect>(engine_.WorkerGear(), this,
                                                    &TXDRDataGear::StoreResult);
  observers_.Add<TXDiskAspect>(engine_.ViewGear(), this, &TXDRDataGear::DiskChosen);
}

void TXDRDataGear::StoreResult(AXNotification& notification) {
  auto* end = notification.AspectAs<TXOperationThreadTerminatedAspect>();
  if (!end) return;
  if (end->Name == "Scan" || end->Name == "DeepScan") {
    Results[rkScan] = end->ErrorData;
    MarkUnreadableFiles();
  } else if (end->Name == "ImageFile") {
    Results[rkImageFile] = end->ErrorData;
  } else if (end->Name == "Restore") {
    Results[rkRestore] = end->ErrorData;
  }
}

// What the scan's medium could not be read at, file by file, for the results page's damage mark.
void TXDRDataGear::MarkUnreadableFiles() {
  const TXCustomDiskIO* io = engine_.WorkerGear().Data().IO;
  const TXCustomBufStream* stream = io ? io->Stream() : nullptr;
  const std::shared_ptr<TXBadSectorMap> map = stream ? stream->BadSectors() : nullptr;
  if (!map) return;
  for (int32_t i = 0; i < foundFiles_.Count(); ++i) {
    TXDRFileItem& item = *foundFiles_[i];
    item.Unreadable = 0;
    for (const TXBlock& block : item.Blocks())
      item.Unreadable += map->UnreadableWithin(block.Start, block.Size);
  }
}

void TXDRDataGear::DiskChosen(AXNotification& notification) {
  if (auto* disk = notification.AspectAs<TXDiskAspect>()) Disk.Assign(*disk);
}

}  // namespace kova
