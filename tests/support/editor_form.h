// Starting an editor's main window in a test: a base folder for it, and a run of its main loop in
// which the test body runs once.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <unistd.h>

#include "tests/support/test_support.h"

namespace editor_test {

// A fresh base folder with the given subfolders, an English and a German language file in "ui",
// and the ini file `iniName` naming the folder; the folder becomes the current one. Returns it
// with a trailing '/'.
inline std::string MakeEditorBase(const std::string& tag, std::initializer_list<const char*> subfolders,
                                  const std::string& iniName) {
  const std::string base = testing_support::MakeTempFolder(tag);
  std::filesystem::create_directory(base + "ui");
  for (const char* sub : subfolders) std::filesystem::create_directory(base + sub);
  testing_support::WriteFileBytes(base + "ui/English.lgd", "HELLO\r\nHello\r\n@@\r\n^^\r\n");
  testing_support::WriteFileBytes(base + "ui/Deutsch.lgd", "HELLO\r\nHallo\r\n@@\r\n^^\r\n");
  // The ini names the base folder without its trailing '/'.
  testing_support::WriteFileBytes(base + iniName, base.substr(0, base.size() - 1) + "\r\n");
  EXPECT_EQ(chdir(base.c_str()), 0);
  return base;
}

// Runs the form's start-up and main loop; `body` runs once from inside the loop after `frames`
// frames, then the window closes. Start-up must run through and the body must have run.
template <class Form>
void RunEditorForm(Form& form, const std::function<void(Form&)>& body, unsigned long frames) {
  bool ran = false;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &form, [&] {
    if (ran || form.frames() < frames) return;
    ran = true;
    body(form);
    form.close();
  });
  timer.start(5);
  form.FormCreate();
  ASSERT_EQ(form.failedStep(), 0);
  ASSERT_TRUE(ran);
}

}  // namespace editor_test
