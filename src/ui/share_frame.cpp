#include "ui/share_frame.h"

#include <QHBoxLayout>

#include "imaging/skin_interface.h"
#include "ui/composer.h"
#include "ui/maker_site.h"
#include "ui/qt_pictures.h"
#include "ui/screen_dpi.h"
#include "ui/shell_open.h"

namespace kova {

namespace {

struct Share {
  const char* Picture;
  const char* Hint;
  const char* Path;
};

constexpr Share kShares[] = {
    {"facebook", "Share on FaceBook", "/share-kova-fb"},
    {"twitter", "Tweet on Twitter!", "/share-kova-twitt"},
    {"pinterest", "Pin to Pinterest!", "/share-kova-pinto"},
};

QIcon ShareIcon(IXDRSkin& skin, const char* picture) {
  QIcon icon;
  if (const QPixmap normal = SkinPixmap(skin, skin::kShareImages, picture); !normal.isNull())
    icon.addPixmap(normal, QIcon::Normal);
  if (const QPixmap hot = SkinPixmap(skin, skin::kShareHotImages, picture); !hot.isNull())
    icon.addPixmap(hot, QIcon::Active);
  return icon;
}

}  // namespace

TXKovaShareFrm::TXKovaShareFrm(IXDRSkin& skin, QWidget* parent) : TXCustomFrame(parent) {
  setObjectName(QStringLiteral("KovaShareFrm"));
  auto* bar = new QHBoxLayout(this);
  bar->setSpacing(0);
  bar->setContentsMargins(0, ScreenDpiY() != 96 ? ScaledY(2) : 1, 0, 0);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto* button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFixedSize(ScaledX(32), ScaledY(29));
    button->setIcon(ShareIcon(skin, kShares[i].Picture));
    button->setIconSize(QSize(ScaledX(23), ScaledY(23)));
    button->setToolTip(QString::fromLatin1(kShares[i].Hint));
    button->setText(QString::fromLatin1(kShares[i].Hint));
    button->setFocusPolicy(Qt::NoFocus);
    const QString page = SharePage(static_cast<int>(i));
    connect(button, &QToolButton::clicked, this, [page] { OpenUrlOrExplain(page); });
    bar->addWidget(button);
    buttons_[i] = button;
  }
  bar->addStretch(1);
  resize(ScaledX(32) * static_cast<int>(buttons_.size()),
         bar->contentsMargins().top() + ScaledY(29));
}

QString TXKovaShareFrm::SharePage(int index) {
  return QString::fromLatin1(kMakerWebSite) + QLatin1String(kShares[index].Path);
}

void RegisterShareComposition(IXDRSkin& skin) {
  RegisterFrameClass(TXKovaShareFrm::kClassName, [&skin](QWidget* parent) -> QWidget* {
    return MakeFrame<TXKovaShareFrm>(skin, parent);
  });
  skin.ComposeTable().Register(TXComposeTable::kMain, [](IXComposer& composer) {
    composer.Restart();
    composer.AddFrame(TXKovaShareFrm::kClassName);
  });
}

}  // namespace kova
