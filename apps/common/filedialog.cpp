#include "apps/common/filedialog.h"

#include <QFileDialog>

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

}  // namespace appcommon
