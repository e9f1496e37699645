#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The progress dialog of a request, as the request sees it. Requests call it only on the
// user-interface thread; the dialog reports a cancel (command 102) and its closing (command -3)
// to its wrapper.
namespace kova {

class TXNetWrapper;

// Flags of downloads and of their progress dialogs.
enum TXDownloadFlag : uint32_t {
  dfProgressDialog = 0x01,  // with a progress dialog
  dfModal = 0x02,           // the dialog is modal
  dfCloseWhenDone = 0x04,   // close the dialog when the download succeeds
  dfShowFileName = 0x08,    // show the current file's name
  dfAskTarget = 0x10,       // ask for the target file first
  dfOfferOpen = 0x20,       // offer to open the downloaded file
};

class TXCustomNetDialog {
 public:
  virtual ~TXCustomNetDialog() = default;

  virtual void ShowProgress(uint32_t flags) = 0;
  virtual void Finish(bool succeeded, const std::string& message) = 0;
  virtual void SetCurrentFile(const std::string& fileName) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetSpeedText(const std::string& text) = 0;
  // 0 to 1000.
  virtual void SetPosition(int32_t position) = 0;
  virtual void SetMarquee(bool marquee) = 0;
  virtual bool IsShowing() const = 0;
  // The wrapper that hears cancel and close; nullptr when it goes.
  virtual void SetWrapper(TXNetWrapper* wrapper) = 0;
};

using TXNetDialogFactory = std::function<std::unique_ptr<TXCustomNetDialog>()>;

}  // namespace kova
