// The building editor's script page and the host procedures through which its script moves the
// preview meshes.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QTabWidget>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/brumin/mainform.h"
#include "apps/brumin/scriptcommands.h"
#include "apps/brumin/previewhost.h"
#include "apps/brumin/textures.h"
#include "apps/common/scriptpage.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"
#include "tests/apps/brumin/form_fixture.h"
#include "tests/support/test_support.h"

namespace {

using brumin_test::Find;

class BruminScript : public brumin_test::BruminForm {
 protected:
  void TearDown() override {
    ScriptErrorFlag = false;
    BruminForm::TearDown();
  }

  // Compiles and runs a script's main block once; it must compile and run without an error.
  static void Run(const std::vector<std::string>& body) {
    std::vector<std::string> source = {"defineproc setrotation,setposition,setnick,setgier,setroll,settexture;",
                                       "defineproc getproducity;", "var p:float;", "Begin"};
    source.insert(source.end(), body.begin(), body.end());
    source.push_back("End;");
    std::vector<std::string> assembler;
    TScriptStream code;
    ASSERT_TRUE(CompileScript(source, assembler, code)) << LastScriptError.Message;
    std::string result;
    RunScript(code.Bytes.data(), code.Bytes.size(), true, result);
    EXPECT_FALSE(ScriptErrorFlag) << body[0] << ": " << LastScriptError.Message;
  }

  static std::string FileBytes(const std::string& path) {
    return testing_support::ReadFileBytes(path);
  }
};

struct PlacementCase {
  const char* call;
  int block;  // the block that moves; 0: none
  brumin::TPreviewPlacement expected;
};

const PlacementCase kPlacementCases[] = {
    {"setposition(1,1.5,10.0,2.25);", 1, {1.5f, 10.0f, 2.25f, 0, 0, 0}},
    {"setrotation(2,10.0,20.0,30.0);", 2, {0, 0, 0, 30.0f, 20.0f, 10.0f}},  // roll, gier, nick
    {"setnick(3,5.0);", 3, {0, 0, 0, 5.0f, 0, 0}},
    {"setgier(4,6.0);", 4, {0, 0, 0, 0, 6.0f, 0}},
    {"setroll(10,7.0);", 10, {0, 0, 0, 0, 0, 7.0f}},
    {"p:=getproducity(); setposition(5,p,0.0,0.0);", 5, {1.0f, 0, 0, 0, 0, 0}},
    // Numbers that name no block are ignored, their arguments still taken.
    {"setposition(0,1.0,1.0,1.0); setposition(5,3.0,0.0,0.0);", 5, {3.0f, 0, 0, 0, 0, 0}},
    {"setposition(11,1.0,1.0,1.0);", 0, {}},
    {"setrotation(-1,1.0,1.0,1.0); setnick(11,1.0); setgier(0,1.0); setroll(99,1.0);", 0, {}},
};

TEST_F(BruminScript, HostProceduresMoveTheNamedBlocksScriptPlacement) {
  RunForm([](brumin::MainForm& f) {
    for (const PlacementCase& c : kPlacementCases) {
      for (brumin::TPreviewBlock& b : *f.PreviewBlocks) b.ScriptPlacement = {};
      Run({c.call});
      for (int k = 0; k <= 10; ++k) {
        const brumin::TPreviewPlacement& p = (*f.PreviewBlocks)[k].ScriptPlacement;
        const brumin::TPreviewPlacement want = k == c.block ? c.expected : brumin::TPreviewPlacement{};
        EXPECT_EQ(std::memcmp(&p, &want, sizeof p), 0) << c.call << ", block " << k << ": " << p.X << " " << p.Y
                                                        << " " << p.Z << " " << p.Nick << " " << p.Gier << " " << p.Roll;
      }
    }
  });
}

// Slots 5 -> 6 -> 7 -> 5 form a ring; slot 8 has none.
TEST_F(BruminScript, SetTextureStepsAlongTheAnimationRing) {
  struct Case {
    const char* call;
    uint16_t before, after;
  };
  const Case cases[] = {
      {"settexture(1,2,1);", 5, 5},   // one frame: no step
      {"settexture(1,2,0);", 5, 5},   // none for steps <= 1
      {"settexture(1,2,2);", 5, 6},
      {"settexture(1,2,3);", 5, 7},
      {"settexture(1,2,4);", 5, 5},   // round the ring
      {"settexture(1,2,2);", 8, 0},   // no ring: one step gives 0
      {"settexture(1,2,5);", 8, 0},   // and 0 stays 0
      {"settexture(1,21,2);", 5, 5},  // no such entry
      {"settexture(11,2,2);", 5, 5},  // no such block
  };
  RunForm([&](brumin::MainForm& f) {
    brumin::MeshTextureTable[5].Next = 6;
    brumin::MeshTextureTable[6].Next = 7;
    brumin::MeshTextureTable[7].Next = 5;
    brumin::MeshTextureTable[8].Next = 0;
    for (const Case& c : cases) {
      uint16_t* entries = (*f.PreviewBlocks)[1].Mesh.TextureSlots;
      entries[0] = 9;
      entries[1] = c.before;
      Run({c.call});
      EXPECT_EQ(entries[1], c.after) << c.call << " from " << c.before;
      EXPECT_EQ(entries[0], 9) << c.call;
    }
    for (int t = 5; t <= 8; ++t) brumin::MeshTextureTable[t].Next = 0;
  });
}

// The page's script runs in the frame: "SetPosition(1, 0, 10, 0)" lifts block 1 by 10 within two
// frames of a compile. The form's "SetPosition" is the one the script reaches, and the game's train
// and depot commands run and change nothing.
TEST_F(BruminScript, CompiledPageScriptMovesBlockOneWithinTwoFrames) {
  RunForm([](brumin::MainForm& f) {
    auto* memo = Find<QPlainTextEdit>(f, "srcmemo");
    memo->setPlainText(
        "defineproc setposition,savetrain,locknode,allowenter;\nBegin\n  SaveTrain;\n  LockNode(5);\n"
        "  AllowEnter;\n  SetPosition(1,0.0,10.0,0.0);\nEnd;");
    EXPECT_FALSE(f.ScriptSaved);  // any edit
    Find<QPushButton>(f, "CompileB")->click();
    ASSERT_FALSE(f.CodeStream.empty()) << LastScriptError.Message;
    EXPECT_FALSE(f.ScriptSaved);  // a compile saves nothing
    f.drawtimerTimer();
    f.drawtimerTimer();
    EXPECT_EQ((*f.PreviewBlocks)[1].ScriptPlacement.Y, 10.0f);
    EXPECT_EQ(brumin::MeshPartTransforms[1].Y, 0.0f);
    // A page change rebuilds the preview and puts a shown block back until the script moves it again.
    f.SGrid_Meshes->setCell(1, 1, "'samplehouse.msh2'");
    f.MeshRowBoxes[1]->setChecked(true);
    f.Notebook->setCurrentIndex(f.Notebook->currentIndex() == 0 ? 1 : 0);
    ASSERT_TRUE((*f.PreviewBlocks)[1].Loaded);
    EXPECT_EQ((*f.PreviewBlocks)[1].ScriptPlacement.Y, 0.0f);
  });
}

// A script whose run fails rests until the next good compile: its error is not raised every frame.
TEST_F(BruminScript, FailedRunStopsThePreviewScriptUntilTheNextCompile) {
  RunForm([](brumin::MainForm& f) {
    auto* memo = Find<QPlainTextEdit>(f, "srcmemo");
    memo->setPlainText("var a,b:float;\nBegin\n  b:=0.0;\n  a:=1.0/b;\nEnd;");
    f.CompileBClick();
    ASSERT_FALSE(f.CodeStream.empty()) << LastScriptError.Message;
    const size_t boxes = brumin_test::Boxes().size();
    f.ScriptGate = {};
    f.drawtimerTimer();
    ASSERT_TRUE(ScriptErrorFlag);
    const unsigned long runs = f.scriptRuns();
    for (int i = 0; i < 5; ++i) {
      f.ScriptGate = {};
      f.drawtimerTimer();
    }
    EXPECT_EQ(f.scriptRuns(), runs);
    EXPECT_EQ(brumin_test::Boxes().size(), boxes + 1);  // the run's error, once
    memo->setPlainText("defineproc setposition;\nBegin\n  SetPosition(1,0.0,3.0,0.0);\nEnd;");
    f.CompileBClick();
    f.ScriptGate = {};
    f.drawtimerTimer();
    EXPECT_EQ(f.scriptRuns(), runs + 1);
    EXPECT_EQ((*f.PreviewBlocks)[1].ScriptPlacement.Y, 3.0f);
  });
}

// Saving compiles first and writes the source length, the source, the image length and the image;
// a text that does not compile writes nothing and leaves the last listing in place.
TEST_F(BruminScript, SaveCompilesTheTemplateAndAFailedCompileWritesNothing) {
  RunForm([this](brumin::MainForm& f) {
    // The template declares the game's building commands and variables, which the program registers.
    const std::string path = base_ + "template.mas";
    const std::vector<std::string> lines = f.ScriptLines();
    ASSERT_EQ(lines.size(), 43u);
    ASSERT_TRUE(f.SaveScriptTo(path)) << LastScriptError.Message;
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "template.mas");
    std::string source;
    for (const std::string& l : lines) source += l + "\r\n";
    const std::string bytes = FileBytes(path);
    ASSERT_GE(bytes.size(), 8 + source.size());
    uint32_t sourceLength = 0, codeLength = 0;
    std::memcpy(&sourceLength, bytes.data(), 4);
    EXPECT_EQ(sourceLength, source.size());
    EXPECT_EQ(bytes.substr(4, source.size()), source);
    std::memcpy(&codeLength, bytes.data() + 4 + source.size(), 4);
    EXPECT_GT(codeLength, 4u);
    EXPECT_EQ(bytes.substr(8 + source.size()), f.CodeStream);
    EXPECT_EQ(codeLength, f.CodeStream.size());
    const std::string listing = FileBytes(appcommon::kScriptListingFile);
    EXPECT_FALSE(listing.empty());

    Find<QPlainTextEdit>(f, "srcmemo")->setPlainText("Begin\n  nosuchproc(1);\nEnd;");
    const std::string other = base_ + "broken.mas";
    const size_t boxes = brumin_test::Boxes().size();
    EXPECT_FALSE(f.SaveScriptTo(other));
    // The script language's own box, and nothing more.
    ASSERT_EQ(brumin_test::Boxes().size(), boxes + 1);
    EXPECT_EQ(brumin_test::Boxes().back().first.rfind("Quillon-", 0), 0u) << brumin_test::Boxes().back().first;
    EXPECT_TRUE(ScriptErrorFlag);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_FALSE(f.ScriptSaved);
    EXPECT_TRUE(f.CodeStream.empty());  // the preview's script stops
    EXPECT_EQ(FileBytes(appcommon::kScriptListingFile), listing);
  });
}

// Loading replaces the editor's text and the running image at once, without a compile; a damaged
// file changes nothing.
TEST_F(BruminScript, LoadReplacesTheImageWithoutCompilingAndRefusesADamagedFile) {
  RunForm([this](brumin::MainForm& f) {
    auto* memo = Find<QPlainTextEdit>(f, "srcmemo");
    memo->setPlainText("defineproc setposition;\nBegin\n  SetPosition(2,0.0,4.0,0.0);\nEnd;");
    const std::string path = base_ + "lift.mas";
    ASSERT_TRUE(f.SaveScriptTo(path));
    const std::string image = f.CodeStream;
    memo->setPlainText("Begin\nEnd;");
    f.CompileBClick();
    ASSERT_NE(f.CodeStream, image);

    // A stale error of a failed run does not keep the loaded script from running.
    ScriptErrorFlag = true;
    ASSERT_TRUE(f.LoadScriptFrom(path));
    EXPECT_EQ(f.CodeStream, image);
    EXPECT_FALSE(ScriptErrorFlag);
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(memo->toPlainText().toStdString(), "defineproc setposition;\nBegin\n  SetPosition(2,0.0,4.0,0.0);\nEnd;");
    f.ScriptGate = {};
    f.drawtimerTimer();
    EXPECT_EQ((*f.PreviewBlocks)[2].ScriptPlacement.Y, 4.0f);

    std::string bytes = FileBytes(path);
    bytes.resize(bytes.size() - 3);
    testing_support::WriteFileBytes(base_ + "short.mas", bytes);
    const size_t boxes = brumin_test::Boxes().size();
    EXPECT_FALSE(f.LoadScriptFrom(base_ + "short.mas"));
    ASSERT_EQ(brumin_test::Boxes().size(), boxes + 1);
    EXPECT_EQ(brumin_test::Boxes().back().first, "Brumin");
    EXPECT_EQ(f.CodeStream, image);
    EXPECT_EQ(f.ScriptFileName, "lift.mas");

    // An image length of 0 loads as no image: the preview's script stops.
    const std::string source = "Begin\r\nEnd;\r\n";
    std::string empty(4, '\0');
    empty[0] = static_cast<char>(source.size());
    empty += source + std::string(4, '\0');
    testing_support::WriteFileBytes(base_ + "empty.mas", empty);
    ASSERT_TRUE(f.LoadScriptFrom(base_ + "empty.mas"));
    EXPECT_TRUE(f.CodeStream.empty());
    EXPECT_EQ(memo->toPlainText().toStdString(), "Begin\nEnd;");
  });
}

}  // namespace
