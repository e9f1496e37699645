#include "cli/cli_session.h"

#include "framework/aspects.h"
#include "framework/headless_loop.h"
#include "output/output_work_commands.h"

namespace kova::cli {

TXExtensionList TXCliDataGear::ScanExtensions() {
  return chosen_.empty() ? TXDRFileTypes::GetAllExtensions() : chosen_;
}

TXCliSession::TXCliSession()
    : engine_(std::make_unique<TXEngine>(ProcessHeadlessLoop(), "Recovery")),
      data_(engine_->CreateGear<TXCliDataGear>()),
      view_(engine_->CreateGear<TXCliViewGear>()),
      worker_(engine_->CreateGear<TXDRWorkerGear>()) {
  DispatchAspect<TXAssembleAspect>(*engine_);
  worker_.AddObserver<TXOperationThreadTerminatedAspect>(this, &TXCliSession::OnWorkerEvent);
}

TXCliSession::~TXCliSession() {
  worker_.RemoveObserversOf(this);
  engine_->FreeGears();
}

void TXCliSession::OnWorkerEvent(AXNotification& notification) {
  if (auto* end = notification.AspectAs<TXOperationThreadTerminatedAspect>()) {
    end_ = {end->Name, end->ErrorData};
    ended_ = true;
  }
}

TXRef<TXCommand> TXCliSession::ScanCommand(const TXCliSource& source, int64_t size) {
  if (source.Kind == TXCliSourceKind::skDrive)
    return MakeRef<TXDRDiskDeepScanWorkCommand>(&worker_, source.Path, size);
  return MakeRef<TXDRScanImageFileWorkCommand>(&worker_, source.Path);
}

TXRef<TXCommand> TXCliSession::RestoreCommand(const TXCliSource& source, int64_t size,
                                              const std::string& folder, bool keepFolders) {
  if (source.Kind == TXCliSourceKind::skDrive) {
    auto command = MakeRef<TXDRDiskRestoreFilesWorkCommand>(&worker_, source.Path, size, folder);
    command->KeepFolders = keepFolders;
    return command;
  }
  auto command = MakeRef<TXDRDiskImageRestoreFilesWorkCommand>(&worker_, folder);
  command->KeepFolders = keepFolders;
  return command;
}

TXRef<TXCommand> TXCliSession::ImageCommand(const TXCliSource& drive, int64_t size,
                                            const std::string& image) {
  return MakeRef<TXDRCopyCardToImageWorkCommand>(&worker_, drive.Path, size, image);
}

TXCliRunEnd TXCliSession::Run(TXRef<TXCommand> command) {
  ended_ = false;
  worker_.ExecuteCommand(*command);
  while (!ended_)
    ProcessHeadlessLoop().RunUntil([this] { return ended_; }, std::chrono::hours(1));
  return end_;
}

}  // namespace kova::cli
