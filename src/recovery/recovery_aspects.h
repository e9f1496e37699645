#pragma once

#include <cstdint>
#include <memory>

#include "framework/aspects.h"
#include "framework/notification.h"
#include "recovery/file_item.h"
#include "recovery/picture_job.h"

// The notification payloads that carry found files and the user's recovery choices between the
// recovery threads, the engine and the pages.
namespace kova {

// A finder offers a file. The aspect owns a fresh item, which the finder fills and the receiver
// copies; the item dies with the aspect. Until the file is offered (IXDRFoundFileSink) the aspect
// may also carry the making of its thumbnail; the receivers never see that, only its result.
class TXDRFoundFileAspect : public TXCustomAspect {
 public:
  TXDRFoundFileAspect() : Item(std::make_unique<TXDRFileItem>()) {}
  std::unique_ptr<TXDRFileItem> Item;
  std::unique_ptr<TXDRPictureJob> Picture;
};

using TXFoundFileNotification = TXNotification<TXDRFoundFileAspect>;

// A file was added to the run's collection. Refers to the collection's item (not owned).
class TXDRAddFileAspect : public TXCustomAspect {
 public:
  explicit TXDRAddFileAspect(TXDRFileItem* item) : Item(item) {}
  TXDRFileItem* Item;
};

// The items' Checked flags changed; the results list shows them again.
class TXDRRefreshSelectedFilesAspect : public TXCustomAspect {};

// The action chosen on the action page.
enum TXDRSelectedAction : uint8_t {
  saRestoreFromCard = 0,
  saCreateImageFile = 1,
  saParseImageFile = 2,
};

class TXDRSelectedActionAspect : public TXCustomAspect {
 public:
  explicit TXDRSelectedActionAspect(uint8_t value = saRestoreFromCard) : Value(value) {}
  void Assign(const TXDRSelectedActionAspect& other) { Value = other.Value; }
  uint8_t Value;
};

// Whether the results page shows its preview panel.
class TXDRDialogInitPageDataPreviewAspect : public TXDialogInitPageDataAspect {
 public:
  explicit TXDRDialogInitPageDataPreviewAspect(bool value) : Value(value) {}
  bool Value;
};

// Whether the image-file page enables its "Save Log" button.
class TXDRDialogInitPageDataSaveAspect : public TXDialogInitPageDataAspect {
 public:
  explicit TXDRDialogInitPageDataSaveAspect(bool value) : Value(value) {}
  bool Value;
};

// Requests from the view to the engine; the class says which work to start.
class TXDRAction : public TXCustomAspect {};
class TXDRActionImageFile : public TXDRAction {};
class TXDRActionDeepScan : public TXDRAction {};
class TXDRActionRestoreFiles : public TXDRAction {};

}  // namespace kova
