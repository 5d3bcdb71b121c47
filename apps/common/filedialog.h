// The file dialogs of both editors run through one routine, so a test can answer them.
#pragma once

#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

namespace appcommon {

// Runs a file dialog; true with the chosen file when the author confirmed. Every file dialog of
// the forms runs through it. Tests put their own runner in (an empty function restores the dialog).
using FileDialogRunner = std::function<bool(QFileDialog& dialog, QString& chosen)>;
void SetFileDialogRunner(FileDialogRunner runner);
bool RunFileDialog(QFileDialog& dialog, QString& chosen);

// The mesh file dialog "DLG_LoadMesh" of both editors' mesh grids: it starts in the folder of the
// last chosen file with that file selected (in the current folder when there is none); true with
// the chosen file.
bool ChooseMeshFile(QWidget* parent, const QString& lastFile, QString& chosen);

}  // namespace appcommon
