// A building editor started on a small base folder: the test body runs inside the window's main
// loop after the given number of frames, and the window closes when it returns.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "apps/brumin/mainform.h"
#include "engine/files/languages.h"
#include "platform/platform.h"
#include "tests/support/editor_form.h"
#include "tests/support/test_support.h"
#include "tools/sample_building.h"
#include "tools/sample_gfx.h"

namespace brumin_test {

inline std::vector<std::pair<std::string, std::string>>& Boxes() {
  static std::vector<std::pair<std::string, std::string>> boxes;
  return boxes;
}

class BruminForm : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = editor_test::MakeEditorBase("bbase", {"gfx", "buildings"}, "brumin.ini");
    // The label font, the marker textures and a sample building's meshes and textures.
    std::string error;
    ASSERT_TRUE(sample_gfx::WriteSampleGraphics(base_, error)) << error;
    ASSERT_TRUE(sample_building::WriteSampleBuilding(base_, error)) << error;
    FreeLanguages();
    brumin::FormUnitStart();
    Boxes().clear();
    platform::SetMessageBoxSink([](const std::string& c, const std::string& t) { Boxes().push_back({c, t}); });
  }

  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    brumin::SetFileDialogRunner(nullptr);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // Starts the window, runs `body` once from its main loop after `frames` frames and closes it.
  void RunForm(const std::function<void(brumin::MainForm&)>& body, unsigned long frames = 1) {
    brumin::MainForm form;
    RunForm(form, body, frames);
  }
  void RunForm(brumin::MainForm& form, const std::function<void(brumin::MainForm&)>& body, unsigned long frames = 1) {
    editor_test::RunEditorForm(form, body, frames);
  }

  std::string oldDir_, base_;
};

template <class T>
T* Find(QObject& form, const char* name) {
  T* w = form.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

}  // namespace brumin_test
