#include "app/gui/application_module.h"

#include <QApplication>
#include <QThread>
#include <string_view>

#include "flow/kova_engine.h"
#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/framework_objects.h"
#include "framework/vel_app.h"
#include "kova_version.h"
#include "online/client_service.h"
#include "online/net_engine.h"
#include "online/news_dialog.h"
#include "online/news_request.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "persistence/lg_manager.h"
#include "ui/composer.h"
#include "ui/kova_main_window.h"
#include "ui/maker_site.h"
#include "ui/share_frame.h"
#include "ui/shell_open.h"
#include "ui/wizard_views.h"

namespace kova {

namespace {

constexpr char kHelpDocument[] = "kovahelp";

// The year the program was built, from the compiler's "Mmm dd yyyy".
std::string BuildYear() {
  return std::string(std::string_view(__DATE__).substr(7));
}

}  // namespace

TUniQ::TUniQ(IXDRSkin& skin, TXAppPlace place) : place_(std::move(place)), skin_(&skin) {
  CoreApp().Engine().AddObserver<TXActionAspect>(this, &TUniQ::OnAction);
  settings_.Load(place_.Store);
  appWiz_.StartLanguage(settings_.LgID());
  settings_.SetLgID(appWiz_.CurrentLgID());
  appWiz_.OnTerminate = [this] { CloseMainWindow(); };

  RegisterShareComposition(*skin_);
  aboutDlg_.Options().Product.SetSkin(skin_);
  aboutDlg_.Options().ShowUpdates = true;
  netEngine_ = std::make_unique<TXNetEngine>();
  tocDlg_ = std::make_unique<TXNetTocDialog>();

  views_ = std::make_unique<TXQtWizardViewFactory>(*skin_, place_.Paths);
  views_->SetWindowPlacement(QRect(settings_.WindowLeft(), settings_.WindowTop(),
                                   settings_.WindowWidth(), settings_.WindowHeight()),
                             settings_.WindowMaximized());
  engine_ = CreateKovaEngine(&settings_, skin_, views_.get());
  if (auto* window = dynamic_cast<TXKovaFrm*>(MainForm()))
    QObject::connect(window, &TXKovaFrm::Closed, window, [this] { EndWithTheWindow(); });
  if (!AppServices().GetService<TXAppClientService>())
    AppServices().RegisterService<TXAppClientService>(std::make_unique<TXAppClientService>());
  LanguageManager().Register(this, &TUniQ::InitializeLg);
}

TUniQ::~TUniQ() {
  settings_.SetLgID(appWiz_.CurrentLgID());
  RememberWindow();
  settings_.Save(place_.Store);
  CoreApp().Engine().RemoveObserversOf(this);
  LanguageManager().Unregister(this, &TUniQ::InitializeLg);
  appWiz_.OnTerminate = nullptr;
  engine_.reset();
  tocDlg_.reset();
  netEngine_.reset();
}

void TUniQ::InitializeLg() {
  helpDlg_.LoadDocument(kHelpDocument);
  aboutDlg_.Options().Compose = &TUniQ::ComposeProduct;
}

void TUniQ::ComposeProduct(IXComposer& composer) {
  const std::string site(kMakerWebSite);
  composer.Restart();
  composer.AddText(build::kProductName, TXComposeStyle::csTitle);
  composer.NewLine();
  composer.AddText("for damaged Memory Cards");
  composer.NewLine();
  composer.AddText("(" + Lg().Word(lg::kAboutVersion) + ": " + VelApp().GetVersion() + ")");
  composer.NewLine();
  composer.AddText("\u00A9 " + BuildYear());
  composer.NewLine();
  composer.AddText("Velmora Software, ");
  composer.AddLink(site.substr(site.find("www.")), site);
  composer.NewLine();
  composer.AddLink("Home page", site + "/kova");
  composer.AddText(" / ");
  composer.AddActionLink("Support", kActionSupport);
  composer.Finish();
}

void TUniQ::OnAction(AXNotification& notification) {
  auto* action = notification.AspectAs<TXActionAspect>();
  if (!action) return;
  switch (action->Action) {
    case kActionHelp:
      helpDlg_.Show();
      break;
    case kActionAbout:
      aboutDlg_.Execute();
      break;
    case kActionUpdates:
      RunNewsFlow(*tocDlg_, *netEngine_);
      break;
    case kActionSupport:
      OpenUrlOrExplain(QString::fromLatin1(kSupportAddress));
      break;
    default:
      break;
  }
}

void TUniQ::RememberWindow() {
  auto* window = dynamic_cast<TXKovaFrm*>(MainForm());
  if (!window) return;
  const QRect normal = window->NormalGeometry();
  settings_.SetWindowLeft(normal.x());
  settings_.SetWindowTop(normal.y());
  settings_.SetWindowWidth(normal.width());
  settings_.SetWindowHeight(normal.height());
  settings_.SetWindowMaximized(window->isMaximized());
}

QWidget* TUniQ::MainForm() const {
  auto* window = dynamic_cast<TXQtWizardMainWindow*>(engine_->View().MainWindow());
  return window ? &window->Window() : nullptr;
}

void TUniQ::EndWithTheWindow() {
  // A help window or a box left open elsewhere on the desktop would otherwise keep the program
  // running, unseen, after its wizard has gone.
  QWidget* wizard = MainForm();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != wizard && window->isVisible()) window->close();
  }
  // Only a running loop can end (a module may live without one: before exec, in tests).
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::quit();
}

void TUniQ::CloseMainWindow() {
  if (engine_)
    if (IXWizardMainWindow* window = engine_->View().MainWindow()) window->Close();
}

}  // namespace kova
