#include "ui/finish_frame.h"

#include <QFontMetrics>

#include "flow/dr_engine.h"
#include "framework/aspects.h"
#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/screen_dpi.h"
#include "ui/shell_open.h"

namespace kova {

namespace {

constexpr int kGroupHeight = 112;
// The name of the finish picture, in the language data and in the skin.
constexpr char kFinishPicture[] = "Finish";
// The size of the finish picture while it has none.
constexpr int kPictureWidth = 600;
constexpr int kPictureHeight = 257;

}  // namespace

TXDRFinishFrm::TXDRFinishFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine),
      skin_(skin),
      groupBox_(MakeGroupBox(this)),
      finishImage_(MakeIconImage(groupBox_, ScaledX(48))),
      folderLink_(new QLabel(groupBox_)),
      openFolderBtn_(new QPushButton(groupBox_)),
      summaryLabel_(MakeWrappedLabel(groupBox_)),
      composablePanel_(new QWidget(this)),
      finishPicture_(new TXContainedImage(composablePanel_)) {
  setObjectName(QStringLiteral("DRFinishFrm"));
  UseNormalFont(*folderLink_);
  UseNormalFont(*openFolderBtn_);
  UseNormalFont(*summaryLabel_);
  summaryLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  folderLink_->setTextFormat(Qt::RichText);
  folderLink_->setCursor(Qt::PointingHandCursor);
  openFolderBtn_->setAutoDefault(false);
  finishPicture_->SetPosition(TXImagePosition::ipStretch);
  finishPicture_->SetResample(true);
  connect(folderLink_, &QLabel::linkActivated, this, [this] { OpenFolder(); });
  connect(openFolderBtn_, &QPushButton::clicked, this, [this] { OpenFolder(); });
  connect(finishPicture_, &TXImage::Clicked, this, [this] {
    if (!finishLink_.isEmpty()) OpenUrlOrExplain(finishLink_);
  });
}

void TXDRFinishFrm::Initialize() {
  ShowSkinPicture(*finishImage_, skin_, skin::kImages, "arrow");
  LoadFinishPicture();
}

void TXDRFinishFrm::LoadFinishPicture() {
  TXMemoryStream& document = Lg().Document(kFinishPicture);
  TXImageObject picture;
  if (document.Size() > 0 && picture.LoadFromStream("TPngImage", document)) {
    finishPicture_->SetPictureScale(1);
    finishPicture_->SetPicture(&picture);
  } else {
    ShowSkinPicture(*finishPicture_, skin_, skin::kFinishImages, kFinishPicture);
  }
  Resized();
}

void TXDRFinishFrm::InitPageData(AXNotification& notification) {
  auto* folder = notification.AspectAs<TXDialogInitFolderAspect>();
  if (!folder) return;
  SetFolder(QString::fromStdString(folder->Folder));
  ShowOutcome();
}

void TXDRFinishFrm::ShowOutcome() {
  auto* engine = dynamic_cast<TXDREngine*>(Engine());
  if (!engine) {
    SetLabelText(*summaryLabel_, QString());
    return;
  }
  const TXRunFigures::TXSnapshot figures = engine->WorkerGear().Worker().Figures().Read();
  std::string text = Lg().Format(lg::kFinishSaved, {std::to_string(figures.Files)});
  if (figures.Damaged > 0)
    text += "\n" + Lg().Format(lg::kFinishDamaged, {std::to_string(figures.Damaged)});
  // A failed restore's record names how many files failed, where and why.
  const TXErrorData& outcome = engine->DataGear().Result(rkRestore);
  if (outcome.Code > kErrCancelled && !outcome.Text.empty()) text += "\n" + outcome.Text;
  SetLabelText(*summaryLabel_, QString::fromStdString(text));
}

void TXDRFinishFrm::SetFolder(const QString& folder) {
  folder_ = folder;
  folderLink_->setToolTip(UnquotedPath(folder));
  ShowFolderLink();
}

bool TXDRFinishFrm::OpenFolder() const {
  return OpenPathOrExplain(folder_);
}

void TXDRFinishFrm::SetFinishLink(const QString& link) {
  finishLink_ = link;
  finishPicture_->setCursor(link.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void TXDRFinishFrm::ShowFolderLink() {
  const QString path = UnquotedPath(folder_);
  const QString shown =
      QFontMetrics(folderLink_->font()).elidedText(path, Qt::ElideMiddle, folderLink_->width());
  folderLink_->setText(QStringLiteral("<a href=\"folder\">%1</a>").arg(shown.toHtmlEscaped()));
}

void TXDRFinishFrm::Resized() {
  const QRect area = contentsRect();
  groupBox_->setGeometry(area.left(), area.top(), area.width(), ScaledY(kGroupHeight));
  finishImage_->move(ScaledX(16), ScaledY(20));
  const QSize button(ScaledX(120), ScaledY(23));
  openFolderBtn_->setGeometry(groupBox_->width() - button.width() - ScaledX(12), ScaledY(36),
                              button.width(), button.height());
  const int linkLeft = ScaledX(76);
  folderLink_->setGeometry(linkLeft, ScaledY(36), openFolderBtn_->x() - linkLeft - ScaledX(12),
                           button.height());
  ShowFolderLink();
  summaryLabel_->setGeometry(linkLeft, ScaledY(64), groupBox_->width() - linkLeft - ScaledX(12),
                             groupBox_->height() - ScaledY(68));
  // The picture keeps its proportions and shrinks when the page is short.
  const int top = groupBox_->geometry().bottom() + ScaledY(4);
  composablePanel_->setGeometry(area.left(), top, area.width(), std::max(area.bottom() - top, 0));
  const TXImageObject* picture = finishPicture_->Picture();
  const QSize natural = picture && !picture->IsEmpty()
                            ? QSize(ScaledX(picture->Width() / finishPicture_->PictureScale()),
                                    ScaledY(picture->Height() / finishPicture_->PictureScale()))
                            : QSize(ScaledX(kPictureWidth), ScaledY(kPictureHeight));
  QSize shown = natural;
  if (!QRect(QPoint(), composablePanel_->size()).contains(QRect(QPoint(), natural)))
    shown = natural.scaled(composablePanel_->size(), Qt::KeepAspectRatio);
  finishPicture_->setGeometry((composablePanel_->width() - shown.width()) / 2, 0, shown.width(),
                              shown.height());
}

void TXDRFinishFrm::ApplyLanguage() {
  groupBox_->setTitle(LgText(lg::kFilesSavedTo));
  openFolderBtn_->setText(LgText(lg::kOpenFolder));
  LoadFinishPicture();
}

}  // namespace kova
