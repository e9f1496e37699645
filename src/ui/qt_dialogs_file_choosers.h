#pragma once

#include <QFileDialog>
#include <string>

#include "output/dr_dialogs.h"

namespace kova {

// The filter of a file dialog as Qt reads it, from the title/pattern pairs of a dialog filter
// ("Memory card image files (*.bin)|*.bin"): one line per pair, the pattern added to a title
// that does not show it.
QString QtFileFilter(const std::string& filter);
// The extension of the filter's first pattern without its dot ("bin"); empty for "*" or "*.*".
QString DefaultSuffix(const std::string& filter);
// The folder a dialog opens in for a proposed path: the nearest existing folder on its way up,
// or the home folder.
QString ExistingFolderFor(const std::string& path);

// The wizard's folder and file dialogs: Qt's own dialogs (not the desktop's), so that they share
// the wizard's look, with the accept and cancel captions of the current language.
class TXFileChooser : public QFileDialog {
  Q_OBJECT

 public:
  enum class Purpose { Folder, SaveFile, OpenFile };

  TXFileChooser(Purpose purpose, QWidget* parent = nullptr);

  // The folder with a trailing '/', or the chosen file; empty when the user cancelled.
  std::string Choose();

 private:
  Purpose purpose_;
};

// The folder dialog, with the request's option as a check box under the folders.
TXFolderAnswer ChooseFolder(const TXFolderRequest& request, QWidget* parent = nullptr);
// Asks before an existing file is replaced; adds the filter's extension to a name without one.
std::string ChooseSaveFile(const std::string& fileName, const std::string& filter,
                           QWidget* parent = nullptr);
// Accepts only existing files.
std::string ChooseOpenFile(const std::string& fileName, const std::string& filter,
                           QWidget* parent = nullptr);

}  // namespace kova
