#pragma once

#include <QDialog>
#include <string>

#include "online/toc_groups.h"
#include "online/toc_panels.h"

class QPushButton;

namespace kova {

class TXAppVersionService;
class TXNetEngine;
class TXNetWrapper;
class TXServerCollection;

// The news dialog: the news items as panels under their group captions, and a Close button. It
// keeps its items, groups and hidden names between requests; each request replaces the items.
class TXNetTocDialog : public QDialog {
 public:
  explicit TXNetTocDialog(QWidget* parent = nullptr);
  ~TXNetTocDialog() override;

  TXTocCollection& Items() { return items_; }
  TXTocGroupCollection& Groups() { return groups_; }
  TXINetTocPanels& Panels() { return *panels_; }

  TXNetEngine* Engine = nullptr;
  // Open even when nothing is to show.
  bool ShowEmpty = false;
  bool ShowGroups = true;
  // Executed actions go into the items' logs.
  bool SaveLog = false;

  // Actions the panels do not handle, and items hidden by their "hide" action.
  TXTocActionEvent OnTocAction;
  TXTocHideEvent OnTocHide;

  // Builds the panels from the items; answers whether a group panel resulted.
  bool PrepareNews();
  // Shows the news modally and answers the dialog's result; when nothing is to show (unless
  // ShowEmpty) the no-news message shows instead and the answer is -1.
  int ShowNews();

  // Asks the servers for the news, unless the dialog is showing; its progress dialog closes by
  // itself and the news shows when they have arrived.
  void RequestNews(TXServerCollection* servers, const TXAppVersionService* service,
                   const std::string& idw = {});
  // The completion of the news request.
  void NewsArrived(TXNetWrapper& wrapper);

  void ApplyLanguage();

 private:
  TXTocCollection items_;
  TXTocGroupCollection groups_;
  TXINetTocPanels* panels_;
  QPushButton* closeButton_;
};

}  // namespace kova
