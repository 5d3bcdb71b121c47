// A started vehicle editor on generated sample data: the test body runs inside the window's main
// loop, after the first frame, and the window closes when it returns.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "apps/vadrel/mainform.h"
#include "engine/base/diagnostics.h"
#include "engine/files/languages.h"
#include "platform/platform.h"
#include "tests/support/editor_form.h"
#include "tests/support/test_support.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"
#include "tools/sample_vehicle.h"

namespace vadrel_test {

inline std::vector<std::pair<std::string, std::string>>& Boxes() {
  static std::vector<std::pair<std::string, std::string>> boxes;
  return boxes;
}

// A dialog the form opened, as the test's dialog runner saw it.
struct SeenDialog {
  std::string name, title, directory, preset;
  QStringList filters;
  QFileDialog::AcceptMode mode;
  QString defaultSuffix;
};

class VadrelForm : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = editor_test::MakeEditorBase("vbase", {"gfx", "vehicles", "sfx"}, "vadrel.ini");
    work_ = base_ + "vehicles/";
    FreeLanguages();
    vadrel::FormUnitStart();
    std::string error;
    ASSERT_TRUE(sample_gfx::WriteSampleGraphics(base_, error)) << error;
    ASSERT_TRUE(sample_mesh::WriteSampleMeshes(base_, error)) << error;
    logFolder_ = testing_support::MakeTempFolder("vlog");
    sys_test::SetLogFolder(logFolder_);
    Boxes().clear();
    platform::SetMessageBoxSink([](const std::string& c, const std::string& t) { Boxes().push_back({c, t}); });
  }

  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    vadrel::SetFileDialogRunner(nullptr);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // Starts the window, runs `body` after its first frame and closes it.
  void RunForm(const std::function<void(vadrel::MainForm&)>& body) {
    vadrel::MainForm form;
    editor_test::RunEditorForm(form, body, 1);
  }

  // Every file dialog answers with `chosen` (empty: cancelled) and is remembered in `seen`.
  void AnswerDialogs(std::vector<SeenDialog>& seen, std::function<QString()> chosen) {
    vadrel::SetFileDialogRunner([&seen, chosen](QFileDialog& dlg, QString& out) {
      dlg.setOption(QFileDialog::DontUseNativeDialog);
      SeenDialog d;
      d.name = dlg.objectName().toStdString();
      d.title = dlg.windowTitle().toStdString();
      d.directory = dlg.directory().absolutePath().toStdString();
      d.preset = dlg.selectedFiles().isEmpty() ? std::string() : dlg.selectedFiles().first().toStdString();
      d.filters = dlg.nameFilters();
      d.mode = dlg.acceptMode();
      d.defaultSuffix = dlg.defaultSuffix();
      seen.push_back(d);
      out = chosen();
      return !out.isEmpty();
    });
  }

  std::string DebugLog() const { return testing_support::ReadFileBytes(logFolder_ + "SYS_Debug.txt"); }

  std::string oldDir_, base_, work_, logFolder_;
};

template <class T>
T* Find(vadrel::MainForm& form, const char* name) {
  T* w = form.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

}  // namespace vadrel_test
