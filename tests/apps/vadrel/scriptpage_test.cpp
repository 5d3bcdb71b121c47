// The script page of the running editor: compile, load and save with their dialogs, and the
// script files they read and write.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>
#include <string>
#include <vector>

#include "apps/vadrel/mainform.h"
#include "engine/files/vehiclefile.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"
#include "tests/apps/vadrel/form_fixture.h"
#include "tests/support/test_support.h"

using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using vadrel_test::Boxes;
using vadrel_test::SeenDialog;

namespace {

std::string U32(uint32_t v) {
  return std::string{char(v & 255), char((v >> 8) & 255), char((v >> 16) & 255), char((v >> 24) & 255)};
}

const std::vector<std::string> kStartScript = {"defineproc setrotation,setposition,setnick,setgier,setroll;",
                                               "definevar frame;",
                                               "defineproc ReadNode,GetNextNode,GetCoordPos,CMBezier;",
                                               "defineproc CopyCoord,CopyNode,TBC,TFC;",
                                               "defineproc SetTexture;",
                                               "",
                                               "Begin",
                                               "End;"};

class ScriptPage : public vadrel_test::VadrelForm {
 protected:
  void SetUp() override {
    VadrelForm::SetUp();
    files_ = MakeTempFolder("mas");
  }
  void TearDown() override {
    ScriptErrorFlag = false;
    VadrelForm::TearDown();
  }

  // The dialogs answer with the next of `answers` (empty: cancelled) and are remembered.
  void Answer(std::vector<QString> answers) {
    answers_ = std::move(answers);
    seen_.clear();
    AnswerDialogs(seen_, [this] {
      if (answers_.empty()) return QString();
      const QString next = answers_.front();
      answers_.erase(answers_.begin());
      return next;
    });
  }

  // What the page shows and keeps.
  struct PageState {
    std::string source, code, fileName;
    bool saved;
    bool operator==(const PageState&) const = default;
  };
  static PageState State(vadrel::MainForm& f) {
    return {f.srcmemo->toPlainText().toStdString(), f.CodeStream, f.ScriptFileName, f.ScriptSaved};
  }

  std::string files_;
  std::vector<QString> answers_;
  std::vector<SeenDialog> seen_;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST_F(ScriptPage, StartScriptIsSavedUncompiledWithItsSizeAndBytes) {
  RunForm([&](vadrel::MainForm& f) {
    // The page's controls.
    EXPECT_EQ(f.Bn_CompileScript->text(), "Compile");
    EXPECT_EQ(f.Bn_LoadScript->text(), "Load");
    EXPECT_EQ(f.Bn_SaveScript->text(), "Save");
    EXPECT_EQ(f.Bn_ExecuteScript->text(), "Execute script");
    EXPECT_NE(f.Label27, nullptr);
    EXPECT_TRUE(f.Memox->isHidden());
    EXPECT_EQ(f.ScriptLines(), kStartScript);
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_TRUE(f.CodeStream.empty());

    Answer({Q(files_ + "start.mas")});
    f.Bn_SaveScript->click();
    std::string text;
    for (const std::string& l : kStartScript) text += l + "\r\n";
    ASSERT_EQ(text.size(), 213u);
    EXPECT_EQ(ReadFileBytes(files_ + "start.mas"), U32(213) + text + U32(0));
    EXPECT_EQ(f.ScriptFileName, "start.mas");
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_TRUE(f.CodeStream.empty());  // nothing was compiled
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].name, "smasdlg");
    EXPECT_EQ(seen_[0].title, "Save mesh-animation-script");
    EXPECT_EQ(seen_[0].filters, QStringList{"Mesh-Animation-Script (*.mas)"});
    EXPECT_EQ(seen_[0].defaultSuffix, "mas");
    EXPECT_EQ(seen_[0].mode, QFileDialog::AcceptSave);

    // The save dialog remembers the folder and the name; the open dialog keeps its own.
    Answer({QString(), QString()});
    f.Bn_SaveScript->click();
    f.Bn_LoadScript->click();
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0].directory + "/", files_);
    EXPECT_EQ(seen_[0].preset, files_ + "start.mas");
    EXPECT_EQ(seen_[1].name, "omasdlg");
    EXPECT_EQ(seen_[1].title, "Load mesh-animation-script");
    EXPECT_EQ(seen_[1].mode, QFileDialog::AcceptOpen);
    EXPECT_TRUE(Boxes().empty());
  });
}

TEST_F(ScriptPage, CompiledScriptRoundTripsThroughItsFile) {
  RunForm([&](vadrel::MainForm& f) {
    const std::vector<std::string> script = {"defineproc showmess;", "var n:integer;", "begin",
                                             "  n:=6*7;  ", "  showmess('Hello');", "end;"};
    f.SetScriptLines(script);
    EXPECT_FALSE(f.ScriptSaved);  // every edit marks the script changed
    f.Bn_CompileScript->click();
    ASSERT_FALSE(ScriptErrorFlag) << LastScriptError.Message;
    ASSERT_GE(f.CodeStream.size(), 13u);
    const std::string image = f.CodeStream;
    EXPECT_EQ(uint8_t(image[0]) | (uint8_t(image[1]) << 8), int(image.size()));
    EXPECT_TRUE(f.Memox->toPlainText().startsWith("@SHOWMESS\nSET N INTEGER\nBLOCK\n   CALC 6*7"))
        << f.Memox->toPlainText().toStdString();
    EXPECT_FALSE(f.ScriptSaved);  // compiling does not save
    // The assembler text is shown in place of the source.
    f.CheckBox1->click();
    EXPECT_FALSE(f.Memox->isHidden());
    EXPECT_TRUE(f.srcmemo->isHidden());
    f.CheckBox1->click();
    EXPECT_FALSE(f.srcmemo->isHidden());
    EXPECT_TRUE(f.Memox->isHidden());

    // The image runs with the form's "showmess".
    ScriptErrorFlag = false;
    ScriptRunning = false;
    std::string result;
    RunScript(reinterpret_cast<const uint8_t*>(image.data()), image.size(), true, result);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], std::make_pair(std::string(), std::string("Hello")));
    Boxes().clear();

    // Saving an unsaved script compiles it again and writes source and image.
    Answer({Q(files_ + "anim.mas")});
    f.Bn_SaveScript->click();
    std::string text;
    for (const std::string& l : script) text += l + "\r\n";
    EXPECT_EQ(ReadFileBytes(files_ + "anim.mas"), U32(uint32_t(text.size())) + text + U32(uint32_t(image.size())) + image);
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "anim.mas");

    // Another script in the editor, unsaved: Load offers to save it (cancelled here) and then
    // loads the file: its source, trailing blanks kept, and its image unchanged.
    f.SetScriptLines({"begin end;"});
    f.CodeStream.clear();
    Answer({QString(), Q(files_ + "anim.mas")});
    f.Bn_LoadScript->click();
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0].name, "smasdlg");
    EXPECT_EQ(seen_[1].name, "omasdlg");
    EXPECT_EQ(f.ScriptLines(), script);
    EXPECT_EQ(f.CodeStream, image);
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "anim.mas");

    // A file without an image loads its source and leaves no image; an empty source loads as
    // an empty editor.
    WriteFileBytes(files_ + "plain.mas", U32(7) + "x:=1;\r\n" + U32(0));
    Answer({Q(files_ + "plain.mas")});
    f.Bn_LoadScript->click();
    EXPECT_EQ(f.ScriptLines(), std::vector<std::string>{"x:=1;"});
    EXPECT_TRUE(f.CodeStream.empty());
    EXPECT_EQ(f.ScriptFileName, "plain.mas");
    WriteFileBytes(files_ + "empty.mas", U32(0) + U32(0));
    Answer({Q(files_ + "empty.mas")});
    f.Bn_LoadScript->click();
    EXPECT_EQ(f.srcmemo->toPlainText(), "");
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_TRUE(Boxes().empty());
  });
}

TEST_F(ScriptPage, CompileErrorsLeaveNoImageAndSaveWritesNothing) {
  using Box = std::pair<std::string, std::string>;
  RunForm([&](vadrel::MainForm& f) {
    f.CodeStream = "old";
    f.SetScriptLines({"begin nobody; end;"});
    f.Bn_CompileScript->click();
    EXPECT_TRUE(ScriptErrorFlag);
    EXPECT_EQ(LastScriptError.Message, "H-003 : ERROR : Unknown function \"NOBODY\"!");
    EXPECT_TRUE(f.CodeStream.empty());
    // What the first stage wrote before the error stays in the assembler view.
    EXPECT_EQ(f.Memox->toPlainText(), "BLOCK");
    // The error is shown; the first stage's errors have no title of their own, so their code is it.
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], Box("Quillon-Compiler-Error (H-003)", "Unknown function \"NOBODY\"!"));
    // An error of the second stage: the assembler refuses what an ASM block wrote.
    f.SetScriptLines({"asm 'FROB';end;"});
    f.Bn_CompileScript->click();
    EXPECT_EQ(LastScriptError.Message, "C-005 : ERROR : Unknown command (\"FROB\")");
    EXPECT_TRUE(f.CodeStream.empty());
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], Box("Quillon-Compiler-Error (C-005)", "Unknown command (\"FROB\")"));

    // Saving compiles the unsaved script, which fails: no file, still unsaved, and it says so.
    Answer({Q(files_ + "bad.mas")});
    f.Bn_SaveScript->click();
    EXPECT_FALSE(std::filesystem::exists(files_ + "bad.mas"));
    EXPECT_FALSE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "NONE.MAS");
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Boxes()[2],
              Box("Quillon-Compiler-Error (C-005)", "Unknown command (\"FROB\")\nThe script was not saved."));

    // A saved script after a failed run: nothing is written until it compiles again.
    f.SetScriptLines({"begin end;"});
    Answer({Q(files_ + "ok.mas")});
    f.Bn_SaveScript->click();
    ASSERT_TRUE(f.ScriptSaved);
    std::filesystem::remove(files_ + "ok.mas");
    ScriptError("I-009 : ERROR : Tryed to pop of empty stack");  // as a failed script run leaves it
    Answer({Q(files_ + "ok.mas")});
    f.Bn_SaveScript->click();
    EXPECT_FALSE(std::filesystem::exists(files_ + "ok.mas"));
    ASSERT_EQ(Boxes().size(), 4u);
    EXPECT_EQ(Boxes()[3].second, "Tryed to pop of empty stack\nThe script was not saved.");
    EXPECT_EQ(Boxes()[3].first.rfind("Quillon-Interpreter-Error (I-009) at position ", 0), 0u) << Boxes()[3].first;
    f.Bn_CompileScript->click();
    Answer({Q(files_ + "ok.mas")});
    f.Bn_SaveScript->click();
    EXPECT_TRUE(std::filesystem::exists(files_ + "ok.mas"));
    EXPECT_EQ(Boxes().size(), 4u);  // a successful compile and save show nothing
  });
}

TEST_F(ScriptPage, StartScriptCompilesWithTheGamesCommands) {
  RunForm([&](vadrel::MainForm& f) {
    ASSERT_EQ(f.ScriptLines(), kStartScript);
    // Its procedures are the game's commands, registered at the form unit's start.
    f.Bn_CompileScript->click();
    EXPECT_FALSE(ScriptErrorFlag) << LastScriptError.Text;
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(f.CodeStream.empty());
  });
}

TEST_F(ScriptPage, RefusedFilesLeaveThePageAsItWas) {
  struct Case {
    const char* what;
    std::string bytes;
    bool missing;  // no file at all
  };
  std::string badImage = U32(0) + U32(17) + std::string("\x11\0\0\0\x63\0\0\0\0\x04\0\0\0\0\0\0\0", 17);
  const Case cases[] = {
      {"missing file", "", true},
      {"empty file", "", false},
      {"source beyond the end", U32(100) + "abc", false},
      {"no code length", U32(3) + "abc", false},
      {"code beyond the end", U32(0) + U32(30) + "short", false},
      {"code above 65536", U32(0) + U32(65537) + std::string(65537, '\0'), false},
      {"four bytes not the empty image", U32(0) + U32(4) + U32(9), false},
      {"size word differs", U32(0) + U32(13) + std::string("\x0E\0\0\0\x63\0\0\0\0\x04\0\0\0", 13), false},
      {"trailer outside", badImage, false},
  };
  RunForm([&](vadrel::MainForm& f) {
    f.SetScriptLines({"begin", "end;"});
    f.CodeStream = "abc";
    f.ScriptFileName = "KEPT.MAS";
    f.ScriptSaved = true;
    const PageState before = State(f);
    for (const Case& c : cases) {
      const std::string path = files_ + "refused.mas";
      std::filesystem::remove(path);
      if (!c.missing) WriteFileBytes(path, c.bytes);
      Boxes().clear();
      Answer({Q(path)});
      f.Bn_LoadScript->click();
      EXPECT_TRUE(State(f) == before) << c.what;
      ASSERT_EQ(Boxes().size(), 1u) << c.what;
      EXPECT_EQ(Boxes()[0].first, "Vadrel");
      EXPECT_NE(Boxes()[0].second.find(path), std::string::npos) << c.what << ": " << Boxes()[0].second;
    }
    // The same refusal through the load path that a vehicle's load takes.
    Boxes().clear();
    WriteFileBytes(files_ + "refused.mas", U32(9));
    EXPECT_FALSE(f.LoadScriptFrom(files_ + "refused.mas"));
    EXPECT_TRUE(State(f) == before);
    EXPECT_EQ(Boxes().size(), 1u);
  });
}

TEST_F(ScriptPage, FailedWriteAndCancelledDialogsChangeNothing) {
  RunForm([&](vadrel::MainForm& f) {
    f.SetScriptLines({"begin end;"});
    f.Bn_CompileScript->click();
    ASSERT_FALSE(ScriptErrorFlag);
    const PageState before = State(f);
    ASSERT_FALSE(before.saved);
    // Cancelled dialogs.
    Answer({QString()});
    f.Bn_SaveScript->click();
    EXPECT_TRUE(State(f) == before);
    Answer({QString(), QString()});
    f.Bn_LoadScript->click();
    EXPECT_TRUE(State(f) == before);
    EXPECT_TRUE(Boxes().empty());
    // A file that cannot be written: a message naming it, and the script stays unsaved.
    const std::string path = files_ + "no such folder/x.mas";
    Answer({Q(path)});
    f.Bn_SaveScript->click();
    EXPECT_FALSE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "NONE.MAS");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].second, "I/O error 2 (No such file or directory): " + path);
  });
}

TEST_F(ScriptPage, VehicleSaveWritesItsEditedScriptFirstAndLoadReadsItBack) {
  RunForm([&](vadrel::MainForm& f) {
    const std::vector<std::string> script = {"defineproc showmess;", "begin showmess('bus'); end;"};
    f.SetScriptLines(script);
    Answer({Q(work_ + "bus.mas")});
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "bus.vif"));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].name, "smasdlg");
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "bus.mas");
    const std::string image = f.CodeStream;
    ASSERT_FALSE(image.empty());
    const std::string text = script[0] + "\r\n" + script[1] + "\r\n";
    EXPECT_EQ(ReadFileBytes(work_ + "bus.mas"), U32(uint32_t(text.size())) + text + U32(uint32_t(image.size())) + image);

    // An edited script whose save is cancelled: no vehicle file is written.
    f.SetScriptLines({"begin end;"});
    f.CodeStream.clear();
    f.ScriptFileName = "other.mas";
    Answer({QString()});
    EXPECT_FALSE(f.SaveVehicleInfo(work_ + "other.vif"));
    EXPECT_FALSE(std::filesystem::exists(work_ + "other.vif"));
    EXPECT_FALSE(f.ScriptSaved);

    // Loading the vehicle reads its script file: source and image.
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "bus.vif"));
    EXPECT_EQ(f.ScriptLines(), script);
    EXPECT_EQ(f.CodeStream, image);
    EXPECT_EQ(f.ScriptFileName, "bus.mas");
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_TRUE(Boxes().empty());

    // A damaged script file is reported; the vehicle comes up without a script.
    WriteFileBytes(work_ + "bus.mas", U32(50) + "short");
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "bus.vif"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].second.find("bus.mas"), std::string::npos) << Boxes()[0].second;
    EXPECT_EQ(f.srcmemo->toPlainText(), "");
    EXPECT_TRUE(f.CodeStream.empty());
    EXPECT_EQ(f.ScriptFileName, "bus.mas");
    EXPECT_TRUE(f.ScriptSaved);
  });
}

}  // namespace
