// kova-skinrender: checks and renders the skin's SVG pictures.
//
//   kova-skinrender [--skin FOLDER] [--out FOLDER]
//
// Renders every picture listed in FOLDER/pictures.tsv (badge templates once per catalogue
// extension) into OUT/pictures/<box>/<name>.png and the review sheets into OUT/sheets/. Exits
// with 1 and one line per fault when a picture is missing, unlisted, uses SVG that the skin
// module cannot draw, or makes QtSvg warn (then only the pictures that rendered are written);
// with 2 on bad arguments.
#include <QDir>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "required_pictures.h"
#include "review_sheets.h"
#include "skin_manifest.h"
#include "skin_pictures.h"

namespace {

struct Options {
  QString skinDir = QStringLiteral(KOVA_SKIN_DIR);
  QString outDir = QStringLiteral(KOVA_SKIN_REVIEW_DIR);
};

bool ParseArguments(const QStringList& arguments, Options& options, QString& error) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const bool known = argument == QLatin1String("--skin") || argument == QLatin1String("--out");
    if (!known || i + 1 >= arguments.size()) {
      error = QStringLiteral("usage: kova-skinrender [--skin FOLDER] [--out FOLDER]");
      return false;
    }
    (argument == QLatin1String("--skin") ? options.skinDir : options.outDir) = arguments[++i];
  }
  return true;
}

int Fail(const QStringList& problems, int code) {
  QTextStream err(stderr);
  for (const QString& problem : problems)
    err << "kova-skinrender: " << problem << '\n';
  return code;
}

int Run(const Options& options) {
  kova::skinrender::SkinManifest manifest;
  QString error;
  if (!kova::skinrender::LoadSkinManifest(options.skinDir, manifest, error))
    return Fail({error}, 1);
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
