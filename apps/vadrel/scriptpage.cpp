// The "Script" page: the vehicle's animation script with its compile, load and save buttons and
// the script file (*.mas) that holds its source and its compiled image.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include <memory>
#include <utility>

#include "apps/common/scriptpage.h"
#include "apps/vadrel/mainform.h"
#include "apps/common/wintext.h"
#include "platform/platform.h"
#include "script/sdatabase.h"

namespace vadrel {

void MainForm::connectScriptPage() {
  appcommon::TScriptPageRules rules;
  rules.Caption = "Vadrel";
  rules.SaveDialogName = "smasdlg";
  rules.LoadDialogName = "omasdlg";
  rules.ShowListing = [this](const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& l : lines) list << FromWinText(l);
    Memox->setPlainText(list.join('\n'));
  };
  rules.ReportCompileError = [this](const std::string& outcome) { ShowScriptError(outcome); };
  scriptPage_ = std::make_unique<appcommon::TScriptPage>(this, srcmemo,
                                                         appcommon::TScriptPageState{&CodeStream, &ScriptSaved, &ScriptFileName},
                                                         std::move(rules));
  connect(Bn_CompileScript, &QPushButton::clicked, this, [this] { Bn_CompileScriptClick(); });
  connect(Bn_LoadScript, &QPushButton::clicked, this, [this] { Bn_LoadScriptClick(); });
  connect(Bn_SaveScript, &QPushButton::clicked, this, [this] { Bn_SaveScriptClick(); });
  connect(Bn_ExecuteScript, &QPushButton::clicked, this, [this] { Bn_ExecuteScriptClick(); });
}

std::vector<std::string> MainForm::ScriptLines() const { return scriptPage_->Lines(); }
void MainForm::SetScriptLines(const std::vector<std::string>& lines) { scriptPage_->SetLines(lines); }
void MainForm::Bn_CompileScriptClick() { scriptPage_->CompileClick(); }
bool MainForm::CompileScriptSource() { return scriptPage_->Compile(); }
void MainForm::Bn_SaveScriptClick() { scriptPage_->SaveClick(); }
void MainForm::Bn_LoadScriptClick() { scriptPage_->LoadClick(); }
bool MainForm::SaveScriptTo(const std::string& path) { return scriptPage_->SaveTo(path); }
bool MainForm::LoadScriptFrom(const std::string& path) { return scriptPage_->LoadFrom(path); }

void MainForm::ShowScriptError(const std::string& outcome) {
  // The error's own title; the first stage's errors have none, so their code stands in for it.
  const TScriptErrorReport& e = LastScriptError;
  const std::string letter = e.Message.empty() ? std::string() : e.Message.substr(0, 1);
  const std::string title = !e.Title.empty() ? e.Title : "Quillon-Compiler-Error (" + letter + "-" + e.Code + ")";
  platform::MessageBox(title, outcome.empty() ? e.Text : e.Text + "\n" + outcome);
}

}  // namespace vadrel
