#include "apps/common/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace appcommon {

namespace {

FileDialogRunner& DialogRunner() {
  static FileDialogRunner runner;
  return runner;
}

}  // namespace

void SetFileDialogRunner(FileDialogRunner runner) { DialogRunner() = std::move(runner); }

bool RunFileDialog(QFileDialog& dialog, QString& chosen) {
  if (DialogRunner()) return DialogRunner()(dialog, chosen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  chosen = dialog.selectedFiles().first();
  return true;
}

bool ChooseMeshFile(QWidget* parent, const QString& lastFile, QString& chosen) {
  const QFileInfo last(lastFile);
  QFileDialog dlg(parent, "Select mesh-file to open", lastFile.isEmpty() ? QString() : last.absolutePath());
  dlg.setObjectName("DLG_LoadMesh");
  dlg.setNameFilters({"Mesh-files (*.msh *.msh2)", "All files (*)"});
  dlg.setDefaultSuffix("msh");
  dlg.setFileMode(QFileDialog::ExistingFile);
  if (!lastFile.isEmpty()) dlg.selectFile(last.fileName());
  return RunFileDialog(dlg, chosen);
}

}  // namespace appcommon
