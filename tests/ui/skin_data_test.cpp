#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyle>

#include "recovery/file_types.h"
#include "support/test_paths.h"
#include "ui/application_look.h"
#include "ui/orange_kova_skin.h"
#include "ui/qt_pictures.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

TXOrangeKovaSkinData& Skin() {
  return test::TestSkin();
}

std::vector<std::string> NamesOf(const TXImageCollection& images) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < images.Count(); ++i)
    names.push_back(images.At(i)->DisplayName());
  return names;
}

// How many pixels of the picture are close to the colour.
int PixelsNear(const QImage& image, QColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.alpha() == 255 && std::abs(pixel.red() - colour.red()) < 8 &&
          std::abs(pixel.green() - colour.green()) < 8 &&
          std::abs(pixel.blue() - colour.blue()) < 8)
        ++count;
    }
  }
  return count;
}

TEST(SkinDataTest, EveryPictureOfTheBuiltInSkinIsDrawnAtItsSize) {
  ASSERT_TRUE(Skin().Problems().isEmpty()) << Skin().Problems().join('\n').toStdString();
  struct Expected {
    const char* box;
    const char* name;
    int width, height;
  };
  for (const Expected& e : {Expected{skin::kImages, "tile", 404, 60},
                            {skin::kImages, "top", 473, 60},
                            {skin::kImages, "smiley", 32, 32},
                            {skin::kImages, "start", 400, 200},
                            {skin::kImages, "arrow", 48, 48},
                            {skin::kImages, "simage", 22, 16},
                            {skin::kMessageImages, "question", 32, 32},
                            {skin::kFinishImages, "Finish", 600, 257},
                            {skin::kShareHotImages, "pinterest", 23, 23},
                            {skin::kDesktopIcons, "256", 256, 256}}) {
    SCOPED_TRACE(std::string(e.box) + "/" + e.name);
    TXImageObject* picture = Skin().Picture(e.box, e.name);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->DataClass(), "TPngImage");
    EXPECT_EQ(picture->Width(), e.width);
    EXPECT_EQ(picture->Height(), e.height);
    EXPECT_FALSE(ToQImage(*picture).isNull());
  }
  EXPECT_EQ(Skin().FindImagesBox("NoSuchBox"), nullptr);
  EXPECT_EQ(Skin().Picture(skin::kImages, "nothing"), nullptr);
}

TEST(SkinDataTest, SetsKeepTheOrderThePagesPickBy) {
  EXPECT_EQ(NamesOf(*Skin().Images(skin::kInfoImages)),
            (std::vector<std::string>{"info64", "info48", "info32", "info16"}));
  EXPECT_EQ(NamesOf(*Skin().Images(skin::kWarningImages)).front(), "warning64");
  EXPECT_EQ(NamesOf(*Skin().Images(skin::kApplicationImages)),
            (std::vector<std::string>{"Application", "Application16", "Application48"}));
  EXPECT_EQ(NamesOf(*Skin().Images(skin::kShareImages)),
            (std::vector<std::string>{"facebook", "twitter", "pinterest"}));
}

TEST(SkinDataTest, BadgesCoverTheCatalogueInItsGroupsColours) {
  for (const char* box : {skin::kLargeExtImages, skin::kSmallExtImages}) {
    SCOPED_TRACE(box);
    const TXImageCollection& images = *Skin().Images(box);
    const std::vector<std::string> names = NamesOf(images);
    ASSERT_EQ(names.size(), 2 + TXDRFileTypes::GetAllExtensions().size());
    EXPECT_EQ(names[0], "ascend");
    EXPECT_EQ(names[1], "descend");
    EXPECT_EQ(names[2], ".jpg");
    EXPECT_EQ(names.back(), ".wav");
    for (const std::string& extension : TXDRFileTypes::GetAllExtensions())
      EXPECT_NE(images.Find(extension), nullptr) << extension;
  }
  const QImage jpg = ToQImage(*Skin().Picture(skin::kLargeExtImages, ".jpg"));
  const QImage mov = ToQImage(*Skin().Picture(skin::kLargeExtImages, ".mov"));
  const QImage wav = ToQImage(*Skin().Picture(skin::kLargeExtImages, ".wav"));
  EXPECT_EQ(jpg.size(), QSize(72, 72));
  // The badge's outline is drawn in its group's darker colour.
  EXPECT_GT(PixelsNear(jpg, QColor("#C2560C")), 40);
  EXPECT_EQ(PixelsNear(jpg, QColor("#275B9A")), 0);
  EXPECT_GT(PixelsNear(mov, QColor("#275B9A")), 40);
  EXPECT_GT(PixelsNear(wav, QColor("#1D7468")), 40);
  // The labels differ: the badges are not one picture repeated.
  EXPECT_NE(ToQImage(*Skin().Picture(skin::kSmallExtImages, ".cr2")),
            ToQImage(*Skin().Picture(skin::kSmallExtImages, ".nef")));
}

TEST(SkinDataTest, AFaultySkinFolderIsReportedAndTheRestStays) {
  test::TempDir dir;
  const QString folder = QString::fromStdString(dir.Path().string());
  const QString source = QString::fromStdString((test::SourceDir() / "resources/skin").string());
  QFile::copy(source + "/badge_colours.tsv", folder + "/badge_colours.tsv");
  QFile::copy(source + "/smiley.svg", folder + "/smiley.svg");
  QFile broken(folder + "/broken.svg");
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("<svg this is not");
  broken.close();
  QFile table(folder + "/pictures.tsv");
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write(
      "# test skin\nImagesBox\tsmiley\tsmiley.svg\t32\t32\nImagesBox\tgone\tgone.svg\t8\t8\n"
      "ImagesBox\tbroken\tbroken.svg\t8\t8\n");
  table.close();
  TXOrangeKovaSkinData skin(folder);
  ASSERT_EQ(skin.Problems().size(), 2);
  EXPECT_TRUE(skin.Problems()[0].contains("gone.svg"));
  EXPECT_TRUE(skin.Problems()[1].contains("broken.svg"));
  EXPECT_NE(skin.Picture(skin::kImages, "smiley"), nullptr);
  EXPECT_EQ(skin.Images(skin::kImages)->Count(), 1);

  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write("ImagesBox\tsmiley\tsmiley.svg\tbig\t32\n");
  table.close();
  TXOrangeKovaSkinData malformed(folder);
  ASSERT_EQ(malformed.Problems().size(), 1);
  EXPECT_TRUE(malformed.Problems()[0].contains("line 1"));

  TXOrangeKovaSkinData missing(folder + "/nowhere");
  ASSERT_EQ(missing.Problems().size(), 1);
  EXPECT_EQ(missing.FindImagesBox(skin::kImages), nullptr);
}

class RecordingComposer : public IXComposer {
 public:
  void Restart() override { log += "restart;"; }
  void AddText(const std::string& text, TXComposeStyle) override { log += text + ";"; }
  void AddLink(const std::string& text, const std::string&) override { log += text + ";"; }
  void AddActionLink(const std::string& text, int32_t) override { log += text + ";"; }
  void NewLine() override { log += "newline;"; }
  bool AddFrame(const std::string& frameClass) override {
    log += frameClass + ";";
    return true;
  }
  void Finish() override { log += "finish;"; }
  std::string log;
};

TEST(SkinDataTest, TheComposeTableCallsTheProcedureOfAName) {
  TXComposeTable& table = Skin().ComposeTable();
  table.Register("Test", [](IXComposer& c) {
    c.Restart();
    c.AddText("one");
    c.Finish();
  });
  RecordingComposer composer;
  EXPECT_TRUE(table.Contains("Test"));
  EXPECT_TRUE(table.Compose("Test", composer));
  EXPECT_EQ(composer.log, "restart;one;finish;");
  table.Register("Test", [](IXComposer& c) { c.AddFrame("TXSomeFrm"); });
  EXPECT_TRUE(table.Compose("Test", composer));
  EXPECT_EQ(composer.log, "restart;one;finish;TXSomeFrm;");
  table.Unregister("Test");
  EXPECT_FALSE(table.Compose("Test", composer));
  EXPECT_EQ(composer.log, "restart;one;finish;TXSomeFrm;");
}

TEST(SkinDataTest, TheApplicationLookUsesFusionThePaletteAndTheProgramIcon) {
  auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  ApplyApplicationLook(*application, Skin());
  EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor("#F3EFE9"));
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor("#EE7A1E"));
  const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}

}  // namespace
}  // namespace kova
