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
#include "platform/platform.h"
#include "script/compiler.h"
#include "script/scriptfile.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace vadrel {

namespace {

ScriptDialogRunner& DialogRunner() {
  static ScriptDialogRunner runner;
  return runner;
}

// The editor's start-up script.
const char* const kStartScript[] = {"defineproc setrotation,setposition,setnick,setgier,setroll;",
                                    "definevar frame;",
                                    "defineproc ReadNode,GetNextNode,GetCoordPos,CMBezier;",
                                    "defineproc CopyCoord,CopyNode,TBC,TFC;",
                                    "defineproc SetTexture;",
                                    "",
                                    "Begin",
                                    "End;"};

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y, int w) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, 25);
  return b;
}

// Texts of the editor are Windows-1252 bytes; the controls hold them as Latin-1.
QString ToQt(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQt(const QString& s) { return s.toLatin1().toStdString(); }

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& l : lines) list << ToQt(l);
  return list.join('\n');
}

}  // namespace

void SetScriptDialogRunner(ScriptDialogRunner runner) { DialogRunner() = std::move(runner); }

void MainForm::buildScriptPage(QWidget* page) {
  if (srcmemo == nullptr) {
    srcmemo = new QPlainTextEdit(page);
    srcmemo->setObjectName("srcmemo");
    srcmemo->setGeometry(8, 8, 470, 500);
    srcmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memox = new QPlainTextEdit(page);
    Memox->setObjectName("Memox");
    Memox->setGeometry(8, 8, 470, 500);
    Memox->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memox->hide();
    CheckBox1 = new QCheckBox("CheckBox1", page);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(8, 514, 120, 22);
    Bn_CompileScript = MakeButton(page, "Bn_CompileScript", "Compile", 8, 542, 80);
    Bn_LoadScript = MakeButton(page, "Bn_LoadScript", "Load", 92, 542, 80);
    Bn_SaveScript = MakeButton(page, "Bn_SaveScript", "Save", 176, 542, 80);
    Bn_ExecuteScript = MakeButton(page, "Bn_ExecuteScript", "Execute script", 260, 542, 110);
    Label27 = new QLabel("Label27", page);
    Label27->setObjectName("Label27");
    Label27->setGeometry(380, 542, 96, 24);
    SetScriptLines(std::vector<std::string>(std::begin(kStartScript), std::end(kStartScript)));
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(srcmemo, &QPlainTextEdit::textChanged, this, [this] { srcmemoChange(); });
  }
  connect(Bn_CompileScript, &QPushButton::clicked, this, [this] { Bn_CompileScriptClick(); });
  connect(Bn_LoadScript, &QPushButton::clicked, this, [this] { Bn_LoadScriptClick(); });
  connect(Bn_SaveScript, &QPushButton::clicked, this, [this] { Bn_SaveScriptClick(); });
}

std::vector<std::string> MainForm::ScriptLines() const {
  const QString text = srcmemo->toPlainText();
  if (text.isEmpty()) return {};
  std::vector<std::string> lines;
  for (const QString& line : text.split('\n')) lines.push_back(FromQt(line));
  return lines;
}

void MainForm::SetScriptLines(const std::vector<std::string>& lines) { srcmemo->setPlainText(JoinLines(lines)); }

void MainForm::CheckBox1Click() {
  Memox->setVisible(CheckBox1->isChecked());
  srcmemo->setVisible(Memox->isHidden());
}

void MainForm::srcmemoChange() { ScriptSaved = false; }

void MainForm::Bn_CompileScriptClick() {
  CodeStream.clear();
  ScriptErrorFlag = false;
  std::vector<std::string> assembler;
  CompileSource(ScriptLines(), assembler);
  Memox->setPlainText(JoinLines(assembler));
  if (ScriptErrorFlag) {
    CodeStream.clear();
    return;
  }
  TScriptStream code;
  AssembleScript(assembler, code);
  if (ScriptErrorFlag) {
    CodeStream.clear();
    return;
  }
  CodeStream.assign(code.Bytes.begin(), code.Bytes.end());
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
  if (DialogRunner()) return DialogRunner()(dlg, chosen) && !chosen.isEmpty();
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  chosen = dlg.selectedFiles().first();
  return true;
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
  if (!ScriptSaved) Bn_CompileScriptClick();
  // A failed compile (or one left by the last compile or script run) writes nothing.
  if (ScriptErrorFlag) return false;
  std::string error;
  if (!WriteScriptFile(path, source, std::vector<uint8_t>(CodeStream.begin(), CodeStream.end()), error)) {
    platform::MessageBox("Vadrel", error);
    return false;
  }
  ScriptSaved = true;
  const QFileInfo info(QFile::decodeName(path.c_str()));
  ScriptFileName = FromQt(info.fileName()).substr(0, 255);
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
  ScriptFileName = FromQt(info.fileName()).substr(0, 255);
  omasFolder_ = info.absolutePath();
  omasName_ = info.fileName();
  ScriptSaved = true;
  return true;
}

}  // namespace vadrel
