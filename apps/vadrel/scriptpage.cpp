// The "Script" page: the vehicle's animation script with its compile, load and save buttons and
// the script file (*.mas) that holds its source and its compiled image.
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "apps/vadrel/mainform.h"
#include "apps/common/wintext.h"
#include "platform/platform.h"
#include "script/compiler.h"
#include "script/scriptfile.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace vadrel {

namespace {

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& l : lines) list << FromWinText(l);
  return list.join('\n');
}

}  // namespace

void MainForm::connectScriptPage() {
  connect(Bn_CompileScript, &QPushButton::clicked, this, [this] { Bn_CompileScriptClick(); });
  connect(Bn_LoadScript, &QPushButton::clicked, this, [this] { Bn_LoadScriptClick(); });
  connect(Bn_SaveScript, &QPushButton::clicked, this, [this] { Bn_SaveScriptClick(); });
}

std::vector<std::string> MainForm::ScriptLines() const {
  const QString text = srcmemo->toPlainText();
  if (text.isEmpty()) return {};
  std::vector<std::string> lines;
  for (const QString& line : text.split('\n')) lines.push_back(ToWinText(line));
  return lines;
}

void MainForm::SetScriptLines(const std::vector<std::string>& lines) { srcmemo->setPlainText(JoinLines(lines)); }

void MainForm::Bn_CompileScriptClick() {
  if (!CompileScriptSource()) ShowScriptError("");
}

bool MainForm::CompileScriptSource() {
  CodeStream.clear();
  ScriptErrorFlag = false;
  std::vector<std::string> assembler;
  CompileSource(ScriptLines(), assembler);
  Memox->setPlainText(JoinLines(assembler));
  if (!ScriptErrorFlag) {
    TScriptStream code;
    AssembleScript(assembler, code);
    if (!ScriptErrorFlag) CodeStream.assign(code.Bytes.begin(), code.Bytes.end());
  }
  if (ScriptErrorFlag) CodeStream.clear();
  return !ScriptErrorFlag;
}

void MainForm::ShowScriptError(const std::string& outcome) {
  // The error's own title; the first stage's errors have none, so their code stands in for it.
  const TScriptErrorReport& e = LastScriptError;
  const std::string letter = e.Message.empty() ? std::string() : e.Message.substr(0, 1);
  const std::string title = !e.Title.empty() ? e.Title : "Quillon-Compiler-Error (" + letter + "-" + e.Code + ")";
  platform::MessageBox(title, outcome.empty() ? e.Text : e.Text + "\n" + outcome);
}

bool MainForm::runScriptDialog(bool save, QString& chosen) {
  const QString& folder = save ? smasFolder_ : omasFolder_;
  const QString& name = save ? smasName_ : omasName_;
  QFileDialog dlg(this, save ? "Save mesh-animation-script" : "Load mesh-animation-script", folder);
  dlg.setObjectName(save ? "smasdlg" : "omasdlg");
  dlg.setNameFilters({"Mesh-Animation-Script (*.mas)"});
  dlg.setDefaultSuffix("mas");
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!name.isEmpty()) dlg.selectFile(name);
  return RunFileDialog(dlg, chosen) && !chosen.isEmpty();
}

void MainForm::Bn_SaveScriptClick() {
  QString chosen;
  if (!runScriptDialog(true, chosen)) return;
  SaveScriptTo(QFile::encodeName(chosen).toStdString());
}

void MainForm::Bn_LoadScriptClick() {
  // Unsaved changes are offered for saving first; the load goes on either way.
  if (!ScriptSaved) Bn_SaveScriptClick();
  QString chosen;
  if (!runScriptDialog(false, chosen)) return;
  LoadScriptFrom(QFile::encodeName(chosen).toStdString());
}

bool MainForm::SaveScriptTo(const std::string& path) {
  const std::string source = ScriptSourceText(ScriptLines());
  if (!ScriptSaved) CompileScriptSource();
  // A failed compile, or an error left by the last compile or script run, writes nothing.
  if (ScriptErrorFlag) {
    ShowScriptError("The script was not saved.");
    return false;
  }
  std::string error;
  if (!WriteScriptFile(path, source, std::vector<uint8_t>(CodeStream.begin(), CodeStream.end()), error)) {
    platform::MessageBox("Vadrel", error);
    return false;
  }
  ScriptSaved = true;
  const QFileInfo info(QFile::decodeName(path.c_str()));
  ScriptFileName = ToWinText(info.fileName()).substr(0, 255);
  smasFolder_ = info.absolutePath();
  smasName_ = info.fileName();
  return true;
}

bool MainForm::LoadScriptFrom(const std::string& path) {
  TScriptFileData data;
  std::string error;
  if (!ReadScriptFile(path, data, error)) {
    platform::MessageBox("Vadrel", error);
    return false;
  }
  SetScriptLines(ScriptSourceLines(data.Source));
  CodeStream.assign(data.Code.begin(), data.Code.end());
  const QFileInfo info(QFile::decodeName(path.c_str()));
  ScriptFileName = ToWinText(info.fileName()).substr(0, 255);
  omasFolder_ = info.absolutePath();
  omasName_ = info.fileName();
  ScriptSaved = true;
  return true;
}

}  // namespace vadrel
