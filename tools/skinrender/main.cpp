// kova-skinrender: checks and renders the skin's SVG pictures.
//
//   kova-skinrender [--skin FOLDER] [--out FOLDER]
//   kova-skinrender [--skin FOLDER] --desktop-icons THEME_FOLDER --icon-name NAME
//
// Renders every picture listed in FOLDER/pictures.tsv (badge templates once per catalogue
// extension) into OUT/pictures/<box>/<name>.png and the review sheets into OUT/sheets/. Exits
// with 1 and one line per fault when a picture is missing, unlisted, uses SVG that the skin
// module cannot draw, or makes QtSvg warn (then only the pictures that rendered are written);
// with 2 on bad arguments. With --desktop-icons it writes only the program's icon for the
// desktop's icon theme (PNG at every hicolor size and the scalable SVG), as installed.
#include <QDir>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "desktop_icons.h"
#include "required_pictures.h"
#include "review_sheets.h"
#include "skin_manifest.h"
#include "skin_pictures.h"

namespace {

struct Options {
  QString skinDir = QStringLiteral(KOVA_SKIN_DIR);
  QString outDir = QStringLiteral(KOVA_SKIN_REVIEW_DIR);
  QString desktopIconsDir;
  QString iconName;
};

QString* OptionValue(Options& options, const QString& name) {
  if (name == QLatin1String("--skin")) return &options.skinDir;
  if (name == QLatin1String("--out")) return &options.outDir;
  if (name == QLatin1String("--desktop-icons")) return &options.desktopIconsDir;
  if (name == QLatin1String("--icon-name")) return &options.iconName;
  return nullptr;
}

bool Usage(QString& error) {
  error = QStringLiteral(
      "usage: kova-skinrender [--skin FOLDER] [--out FOLDER]\n"
      "       kova-skinrender [--skin FOLDER] --desktop-icons THEME_FOLDER --icon-name NAME");
  return false;
}

bool ParseArguments(const QStringList& arguments, Options& options, QString& error) {
  for (qsizetype i = 1; i < arguments.size(); i += 2) {
    QString* value = OptionValue(options, arguments[i]);
    if (!value || i + 1 >= arguments.size()) return Usage(error);
    *value = arguments[i + 1];
  }
  // The icons' folder and their name come together.
  if (options.desktopIconsDir.isEmpty() != options.iconName.isEmpty()) return Usage(error);
  return true;
}

int Fail(const QStringList& problems, int code) {
  QTextStream err(stderr);
  for (const QString& problem : problems)
    err << "kova-skinrender: " << problem << '\n';
  return code;
}

int RunDesktopIcons(const Options& options, const kova::skinrender::SkinManifest& manifest) {
  QStringList problems;
  kova::skinrender::WriteDesktopIcons(options.skinDir, manifest, options.desktopIconsDir,
                                      options.iconName, problems);
  return problems.isEmpty() ? 0 : Fail(problems, 1);
}

int Run(const Options& options) {
  kova::skinrender::SkinManifest manifest;
  QString error;
  if (!kova::skinrender::LoadSkinManifest(options.skinDir, manifest, error))
    return Fail({error}, 1);
  if (!options.desktopIconsDir.isEmpty()) return RunDesktopIcons(options, manifest);
  QStringList problems;
  kova::skinrender::CheckRequiredPictures(manifest, problems);
  kova::skinrender::SkinPictures pictures(options.skinDir, manifest);
  pictures.RenderAll(problems);
  const QDir out(options.outDir);
  if (!pictures.WritePictures(out.filePath(QStringLiteral("pictures")), error))
    problems.append(error);
  // Sheets of a skin with faults would only show holes; the faults are the report.
  if (!problems.isEmpty()) return Fail(problems, 1);
  if (!kova::skinrender::WriteReviewSheets(pictures, out.filePath(QStringLiteral("sheets")), error))
    return Fail({error}, 1);
  QTextStream(stdout) << "kova-skinrender: " << pictures.RenderedCount()
                      << " pictures rendered into " << QDir::toNativeSeparators(out.absolutePath())
                      << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Rendering needs fonts but no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  Options options;
  QString error;
  if (!ParseArguments(QCoreApplication::arguments(), options, error)) return Fail({error}, 2);
  return Run(options);
}
