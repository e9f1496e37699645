#pragma once

#include <memory>
#include <string>

#include "app/gui/app_wizard.h"
#include "app/key_store_file.h"
#include "app/kova_ini.h"
#include "storage/platform_paths.h"
#include "ui/about_dialog.h"
#include "ui/help_dialog.h"

namespace kova {

class IXComposer;
class IXDRSkin;
class TXKovaEngine;
class TXNetEngine;
class TXNetTocDialog;
class TXQtWizardViewFactory;

// Where the application module keeps its settings and looks for drives.
struct TXAppPlace {
  // Where the settings are kept.
  TXKeyStoreFile Store;
  // Where the disk page looks for drives.
  TXPlatformPaths Paths = SystemPaths();
};

// Velmora Kova's application module: it exists for the whole run, owns the settings (loaded at
// start, saved at the end with where the user left the main window), the skin, the recovery engine
// with its wizard, the help and About boxes and the online services, and answers the application's
// actions: help (-100), About
// (-200), the news (-210) and the support page (-220).
class TUniQ final : public TXObject {
 public:
  static constexpr char kSupportAddress[] = "https://www.velmora.com/kova/support";

  // The skin draws every window; it must outlive the module.
  explicit TUniQ(IXDRSkin& skin, TXAppPlace place = TXAppPlace());
  ~TUniQ() override;

  TXAppWizard& AppWiz() { return appWiz_; }
  TXKovaIni& Settings() { return settings_; }
  IXDRSkin& Skin() const { return *skin_; }
  TXKovaEngine& Engine() const { return *engine_; }
  // The wizard's main window.
  QWidget* MainForm() const;
  TXAboutDialog& AboutDlg() { return aboutDlg_; }
  TXHelpDialog& HelpDlg() { return helpDlg_; }
  TXNetEngine& NetEngine() const { return *netEngine_; }
  TXNetTocDialog& TocDlg() const { return *tocDlg_; }

  // Reloads what depends on the language: the help document and the About box's product text.
  void InitializeLg();
  // The About box's product text.
  static void ComposeProduct(IXComposer& composer);

 private:
  void OnAction(AXNotification& notification);
  void CloseMainWindow();
  // The wizard's window has closed: the windows it left open close too, and the program ends.
  void EndWithTheWindow();
  // Keeps where the user left the main window in the settings.
  void RememberWindow();

  TXAppPlace place_;
  TXAppWizard appWiz_;
  TXKovaIni settings_;
  IXDRSkin* skin_;
  std::unique_ptr<TXQtWizardViewFactory> views_;
  TXAboutDialog aboutDlg_;
  TXHelpDialog helpDlg_;
  std::unique_ptr<TXNetEngine> netEngine_;
  std::unique_ptr<TXNetTocDialog> tocDlg_;
  std::unique_ptr<TXKovaEngine> engine_;
};

}  // namespace kova
