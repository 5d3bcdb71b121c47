// The "Script" page both editors have: a source editor whose text compiles into the form's image,
// and the script file (*.mas) that holds the source with its image. The forms own the state (the
// image, whether the text is saved, the file name); the page works on it by these rules.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace appcommon {

// Where the page's compile and file steps differ between the editors.
struct TScriptPageRules {
  std::string Caption;  // of the boxes that report a script file that cannot be read or written
  QString SaveDialogName, LoadDialogName;  // the dialogs' object names
  // Saving compiles the text every time; otherwise only when it changed since the last save.
  bool CompileOnEverySave = false;
  // The save dialog starts without a file name (its folder is still the last save's).
  bool SaveStartsUnnamed = false;
  // A compile that succeeds writes its assembler lines to "DEBUGSCRIPTING.TXT" in the current folder.
  bool WriteListing = false;
  // The assembler lines of every compile, for a form that shows them; may be empty.
  std::function<void(const std::vector<std::string>& lines)> ShowListing;
  // Reports a compile that failed; `outcome` says what the failure stopped ("" for a plain compile).
  // Empty when the script registry's error sink has shown the error already.
  std::function<void(const std::string& outcome)> ReportCompileError;
};

// The form's state the page works on.
struct TScriptPageState {
  std::string* Code;      // the compiled image; empty when none is compiled
  bool* Saved;            // the editor's text is saved
  std::string* FileName;  // the script file's name without folder (Windows-1252)
};

constexpr const char* kScriptListingFile = "DEBUGSCRIPTING.TXT";

class TScriptPage {
 public:
  TScriptPage(QWidget* dialogParent, QPlainTextEdit* editor, TScriptPageState state, TScriptPageRules rules);

  // The editor's lines as Windows-1252 bytes, and back.
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);

  // Compiles the editor's text into the image; false (the image empty) on an error, which
  // ScriptErrorFlag also tells.
  bool Compile();
  // The buttons: "Compile" reports a failure; "Save" and "Load" ask for the file first (Load
  // offers an unsaved text for saving before), a cancelled dialog does nothing.
  void CompileClick();
  void SaveClick();
  void LoadClick();
  // Compiles as the rules say and writes the file beside the path, renamed over it; a failed
  // compile or write writes nothing and keeps Saved. True when the file was written.
  bool SaveTo(const std::string& path);
  // Reads the file whole and checks it; a good one replaces the editor's text and the image (no
  // compile) and clears an earlier script error; a bad one is reported and changes nothing.
  bool LoadFrom(const std::string& path);

 private:
  bool runDialog(bool save, QString& chosen);

  QWidget* parent_;
  QPlainTextEdit* editor_;
  TScriptPageState state_;
  TScriptPageRules rules_;
  QString loadFolder_, loadName_, saveFolder_, saveName_;
};

}  // namespace appcommon
