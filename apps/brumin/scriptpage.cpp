// The "Script" page: the building's script with its compile, load and save buttons and the script
// file (*.mas) that holds its source and its compiled image. A compile error is shown by the
// script registry's error box as it happens; the page adds nothing to it.
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

#include "apps/brumin/mainform.h"
#include "apps/common/scriptpage.h"

namespace brumin {

void MainForm::connectScriptPage() {
  appcommon::TScriptPageRules rules;
  rules.Caption = "Brumin";
  rules.SaveDialogName = "DLG_SaveScript";
  rules.LoadDialogName = "DLG_LoadScript";
  rules.CompileOnEverySave = true;
  rules.SaveStartsUnnamed = true;
  rules.WriteListing = true;
  scriptPage_ = std::make_unique<appcommon::TScriptPage>(
      this, srcmemo, appcommon::TScriptPageState{&CodeStream, &ScriptSaved, &ScriptFileName}, std::move(rules));
  connect(srcmemo, &QPlainTextEdit::textChanged, this, [this] { srcmemoChange(); });
  connect(CompileB, &QPushButton::clicked, this, [this] { CompileBClick(); });
  connect(LoadSB, &QPushButton::clicked, this, [this] { LoadSBClick(); });
  connect(SaveSB, &QPushButton::clicked, this, [this] { SaveSBClick(); });
}

void MainForm::srcmemoChange() { ScriptSaved = false; }
void MainForm::CompileBClick() { scriptPage_->CompileClick(); }
void MainForm::SaveSBClick() { scriptPage_->SaveClick(); }
void MainForm::LoadSBClick() { scriptPage_->LoadClick(); }
bool MainForm::SaveScriptTo(const std::string& path) { return scriptPage_->SaveTo(path); }
bool MainForm::LoadScriptFrom(const std::string& path) { return scriptPage_->LoadFrom(path); }
std::vector<std::string> MainForm::ScriptLines() const { return scriptPage_->Lines(); }

}  // namespace brumin
