#include "online/news_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "online/net_engine.h"
#include "online/news_request.h"
#include "online/online_shell.h"
#include "online/update_filter.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "persistence/lg_manager.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 480;
constexpr int kNewsFlags = dfProgressDialog | dfCloseWhenDone;

}  // namespace

TXNetTocDialog::TXNetTocDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TXNetTocFre");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(ScaledX(kWidth), ScaledY(kHeight));
  panels_ = new TXINetTocPanels(this);
  panels_->OnTocAction = [this](TXTocItem& item, TXTocActionItem& action) {
    if (OnTocAction) OnTocAction(item, action);
  };
  panels_->OnTocHide = [this](TXTocItem& item) {
    if (OnTocHide) OnTocHide(item);
  };
  closeButton_ = new QPushButton(this);
  closeButton_->setObjectName("CloseButton");
  closeButton_->setDefault(true);
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panels_, 1);
  layout->addLayout(buttons);
  LanguageManager().Register(this, &TXNetTocDialog::ApplyLanguage);
}

TXNetTocDialog::~TXNetTocDialog() {
  LanguageManager().UnregisterTarget(this);
}

void TXNetTocDialog::ApplyLanguage() {
  setWindowTitle(QString::fromStdString(Lg().Word(lg::kNewsCaption)));
  closeButton_->setText(QString::fromStdString(Lg().Word(lg::kDialogClose)));
}

bool TXNetTocDialog::PrepareNews() {
  panels_->Engine = Engine;
  items_.LogEnabled = SaveLog;
  items_.ClearLogs();
  panels_->Build(items_, groups_, ShowGroups);
  return !panels_->GroupPanels().empty();
}

int TXNetTocDialog::ShowNews() {
  const bool anything = PrepareNews();
  if (!ShowEmpty && !anything) {
    const std::string message = Lg().Word(lg::kNoNews);
    if (!message.empty())
      OnlineShell().ShowMessage(parentWidget(), message, TXMessageIcon::Information);
    return -1;
  }
  return exec();
}

void TXNetTocDialog::RequestNews(TXServerCollection* servers, const TXAppVersionService* service,
                                 const std::string& idw) {
  if (isVisible() || !Engine) return;
  SendNewsRequest(*Engine, servers, service, kNewsFlags, idw, "toc",
                  [this](TXNetWrapper& wrapper) { NewsArrived(wrapper); });
}

void TXNetTocDialog::NewsArrived(TXNetWrapper& wrapper) {
  const TXInternetDataFiler* filer = wrapper.Filer();
  if (wrapper.Result() != 0 || !filer || !filer->Results) return;
  panels_->Clear();
  groups_.Clear();
  items_.Assign(*filer->Results);
  FilterUpdateNotices(items_);
  ShowEmpty = false;
  ShowNews();
}

}  // namespace kova
