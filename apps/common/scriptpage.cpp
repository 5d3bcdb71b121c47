#include "apps/common/scriptpage.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStringList>

#include <fstream>
#include <utility>

#include "apps/common/filedialog.h"
#include "apps/common/wintext.h"
#include "engine/base/diagnostics.h"
#include "platform/platform.h"
#include "script/compiler.h"
#include "script/scriptfile.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace appcommon {

namespace {

// The compiler's listing of the last good compile, for the author to read; a listing that cannot
// be written is only warned about.
void WriteListing(const std::vector<std::string>& lines) {
  std::ofstream out(platform::DiskPath(kScriptListingFile), std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\r\n";
  if (!out) SYS_Warning(std::string("Cannot write ") + kScriptListingFile);
}

}  // namespace

TScriptPage::TScriptPage(QWidget* dialogParent, QPlainTextEdit* editor, TScriptPageState state,
                         TScriptPageRules rules)
    : parent_(dialogParent), editor_(editor), state_(state), rules_(std::move(rules)) {}

std::vector<std::string> TScriptPage::Lines() const {
  const QString text = editor_->toPlainText();
  if (text.isEmpty()) return {};
  std::vector<std::string> lines;
  for (const QString& line : text.split('\n')) lines.push_back(ToWinText(line));
  return lines;
}

void TScriptPage::SetLines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& l : lines) list << FromWinText(l);
  editor_->setPlainText(list.join('\n'));
}

bool TScriptPage::Compile() {
  std::string& code = *state_.Code;
  code.clear();
  ScriptErrorFlag = false;
  std::vector<std::string> assembler;
  CompileSource(Lines(), assembler);
  if (rules_.ShowListing) rules_.ShowListing(assembler);
  if (!ScriptErrorFlag) {
    TScriptStream stream;
    AssembleScript(assembler, stream);
    if (!ScriptErrorFlag) code.assign(stream.Bytes.begin(), stream.Bytes.end());
  }
  if (ScriptErrorFlag) {
    code.clear();
    return false;
  }
  if (rules_.WriteListing) WriteListing(assembler);
  return true;
}

void TScriptPage::CompileClick() {
  if (!Compile() && rules_.ReportCompileError) rules_.ReportCompileError("");
}

bool TScriptPage::runDialog(bool save, QString& chosen) {
  const QString& folder = save ? saveFolder_ : loadFolder_;
  const QString& name = save ? saveName_ : loadName_;
  QFileDialog dlg(parent_, save ? "Save mesh-animation-script" : "Load mesh-animation-script", folder);
  dlg.setObjectName(save ? rules_.SaveDialogName : rules_.LoadDialogName);
  dlg.setNameFilters({"Mesh-Animation-Script (*.mas)"});
  dlg.setDefaultSuffix("mas");
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!name.isEmpty() && !(save && rules_.SaveStartsUnnamed)) dlg.selectFile(name);
  return RunFileDialog(dlg, chosen) && !chosen.isEmpty();
}

void TScriptPage::SaveClick() {
  QString chosen;
  if (!runDialog(true, chosen)) return;
  SaveTo(QFile::encodeName(chosen).toStdString());
}

void TScriptPage::LoadClick() {
  // An unsaved text is offered for saving first; the load goes on either way.
  if (!*state_.Saved) SaveClick();
  QString chosen;
  if (!runDialog(false, chosen)) return;
  LoadFrom(QFile::encodeName(chosen).toStdString());
}

bool TScriptPage::SaveTo(const std::string& path) {
  const std::string source = ScriptSourceText(Lines());
  if (rules_.CompileOnEverySave || !*state_.Saved) Compile();
  // A failed compile, or an error left by the last compile or script run, writes nothing.
  if (ScriptErrorFlag) {
    if (rules_.ReportCompileError) rules_.ReportCompileError("The script was not saved.");
    return false;
  }
  const std::string& code = *state_.Code;
  std::string error;
  if (!WriteScriptFile(path, source, std::vector<uint8_t>(code.begin(), code.end()), error)) {
    platform::MessageBox(rules_.Caption, error);
    return false;
  }
  *state_.Saved = true;
  const QFileInfo info(QFile::decodeName(path.c_str()));
  *state_.FileName = ToWinText(info.fileName()).substr(0, 255);
  saveFolder_ = info.absolutePath();
  saveName_ = info.fileName();
  return true;
}

bool TScriptPage::LoadFrom(const std::string& path) {
  TScriptFileData data;
  std::string error;
  if (!ReadScriptFile(path, data, error)) {
    platform::MessageBox(rules_.Caption, error);
    return false;
  }
  SetLines(ScriptSourceLines(data.Source));
  state_.Code->assign(data.Code.begin(), data.Code.end());
  ScriptErrorFlag = false;
  const QFileInfo info(QFile::decodeName(path.c_str()));
  *state_.FileName = ToWinText(info.fileName()).substr(0, 255);
  loadFolder_ = info.absolutePath();
  loadName_ = info.fileName();
  *state_.Saved = true;
  return true;
}

}  // namespace appcommon
