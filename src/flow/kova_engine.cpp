#include "flow/kova_engine.h"

#include "output/dr_dialogs.h"
#include "output/output_work_commands.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "run/work_command.h"

namespace kova {

TXKovaEngine::TXKovaEngine(IXEventLoop& loop) : TXDREngineOf(loop) {
  View().AddObserver<TXDRAction>(this, &TXKovaEngine::OnAction);
}

void TXKovaEngine::OnAction(AXNotification& notification) {
  auto* action = notification.AspectAs<TXDRAction>();
  if (!action) return;
  if (TXRef<TXCommand> command = WorkCommandFor(*action)) WorkerGear().ExecuteCommand(*command);
}

TXRef<TXCommand> TXKovaEngine::WorkCommandFor(const TXDRAction& action) {
  TXDRDataGear& data = DataGear();
  TXDRWorkerGear* worker = &WorkerGear();
  const bool imageFile = data.SourceKind == skImageFile;
  if (dynamic_cast<const TXDRActionImageFile*>(&action)) {
    return MakeRef<TXDRCopyCardToImageWorkCommand>(worker, data.DriveText(), data.DriveSize(),
                                                   data.ImageFileName);
  }
  if (dynamic_cast<const TXDRActionDeepScan*>(&action)) {
    if (imageFile) return MakeRef<TXDRScanImageFileWorkCommand>(worker, data.ImageFileName);
    return MakeRef<TXDRDiskDeepScanWorkCommand>(worker, data.DriveText(), data.DriveSize());
  }
  if (dynamic_cast<const TXDRActionRestoreFiles*>(&action)) {
    if (imageFile) {
      auto command = MakeRef<TXDRDiskImageRestoreFilesWorkCommand>(worker, data.RestoreFolder);
      command->KeepFolders = data.KeepFolders;
      return command;
    }
    auto command = MakeRef<TXDRDiskRestoreFilesWorkCommand>(worker, data.DriveText(),
                                                            data.DriveSize(), data.RestoreFolder);
    command->KeepFolders = data.KeepFolders;
    return command;
  }
  return nullptr;
}

void ShowNothingFoundMessage() {
  TXMessageRequest request;
  request.Text = Lg().Word(lg::kNothingFound);
  request.Icon = TXMessageIcon::Warning;
  Dialogs().ShowMessage(request);
}

std::unique_ptr<TXKovaEngine> CreateKovaEngine(IXDRIni* settings, IXDRSkin* skin,
                                               IXWizardViewFactory* views, IXEventLoop& loop) {
  auto engine = std::make_unique<TXKovaEngine>(loop);
  engine->DataGear().Settings = settings;
  engine->View().Skin = skin;
  engine->View().Views = views;
  engine->NothingFoundAction = ShowNothingFoundMessage;
  engine->Assemble();
  return engine;
}

}  // namespace kova
