#include "ui/restoring_frame.h"

#include "flow/dr_engine.h"
#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/run_figures_label.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kGroupHeight = 124;

}  // namespace

TXDRRestoringFrm::TXDRRestoringFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine),
      skin_(skin),
      groupBox_(MakeGroupBox(this)),
      arrowImage_(MakeIconImage(groupBox_, ScaledX(48))),
      summaryLabel_(MakeWrappedLabel(groupBox_)),
      figures_(new TXRunFiguresLabel(TXRunFiguresKind::rfRestore, groupBox_)) {
  setObjectName(QStringLiteral("DRRestoringFrm"));
  UseNormalFont(*summaryLabel_);
  UseNormalFont(*figures_);
  summaryLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void TXDRRestoringFrm::Initialize() {
  ShowSkinPicture(*arrowImage_, skin_, skin::kImages, "arrow");
}

void TXDRRestoringFrm::Shown() {
  ShowRun();
  figures_->Watch(RunWorker());
}

void TXDRRestoringFrm::ShowRun() {
  auto* engine = dynamic_cast<TXDREngine*>(Engine());
  if (!engine) return;
  TXDRDataGear& data = engine->DataGear();
  const TXDRFileCollection& files = data.FoundFiles();
  int32_t checked = 0;
  for (int32_t i = 0; i < files.Count(); ++i)
    if (files.At(i)->Checked) ++checked;
  SetLabelText(*summaryLabel_,
               QString::fromStdString(
                   Lg().Format(lg::kCliRestoring, {std::to_string(checked), data.RestoreFolder})));
}

void TXDRRestoringFrm::Resized() {
  const QRect area = contentsRect();
  groupBox_->setGeometry(area.left(), area.top(), area.width(), ScaledY(kGroupHeight));
  arrowImage_->move(ScaledX(16), ScaledY(20));
  const int left = ScaledX(76);
  const int width = groupBox_->width() - left - ScaledX(12);
  const int lines = ScaledY(36);
  summaryLabel_->setGeometry(left, ScaledY(24), width, lines);
  figures_->setGeometry(left, summaryLabel_->geometry().bottom() + ScaledY(8), width, lines);
}

void TXDRRestoringFrm::ApplyLanguage() {
  groupBox_->setTitle(LgText(lg::kRestoringCaption));
  if (isVisible()) ShowRun();
}

}  // namespace kova
