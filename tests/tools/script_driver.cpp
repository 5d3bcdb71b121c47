// Compiles, assembles and runs script files from the command line:
//   script_driver compile FILE     the assembler text of a source file
//   script_driver runsource FILE   compiles a source file, prints its assembler text and runs it
//   script_driver assemble FILE    the image of an assembler-text file, in hex
//   script_driver run FILE         assembles an assembler-text file and runs it
//   script_driver runimage FILE    runs an image file
//   --profile building (before the mode) takes the building program's script language: its
//   number readers, floattostr and tan, and its error box, printed as "box: CAPTION | TEXT".
//   --game-host (before the mode) registers the game's host variables and commands; with it
//   --script-time N sets the run's "frame" and --parts N the parts in use (0 to 14), and after
//   the run each part's placement is printed as "part K: X Y Z ROLL GIER NICK" (3 decimals).
//   With --profile building it registers the building program's command table instead: --parts N
//   (0 to 10) then only says how many of its part placements to print, and "frame" is its own.
// Runs have the twelve built-ins and "showmess", which prints its argument. Every script error
// is printed with its title and text, then the run's result.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "apps/brumin/scriptcommands.h"
#include "script/buildingscript.h"
#include "script/compiler.h"
#include "script/gamecommands.h"
#include "script/runners.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "script/profile.h"
#include "script/scripts.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace {

void PrintReport(const TScriptErrorReport& r) {
  std::printf("error: %s\n       %s\n", r.Title.empty() ? r.Message.c_str() : r.Title.c_str(), r.Text.c_str());
}

void PrintBox(const std::string& caption, const std::string& text) {
  std::printf("box: %s | %s\n", caption.c_str(), text.c_str());
}

void ShowMess() { std::printf("showmess: %s\n", PopString().c_str()); }

bool ReadFile(const char* name, std::string& bytes) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Lines end at CR LF, CR or LF.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void PrintHex(const std::vector<uint8_t>& image) {
  for (size_t i = 0; i < image.size(); ++i)
    std::printf(i % 16 == 15 || i + 1 == image.size() ? "%02X\n" : "%02X ", image[i]);
}

// A whole decimal number within 0 .. High.
bool ReadCount(const std::string& text, long high, long& value) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stol(text);
  return value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = argv[0];
  std::string profile = "shared";
  bool gameHost = false, usage = false;
  long scriptTime = 0, parts = 0;
  while (argc >= 2 && std::string(argv[1]).rfind("--", 0) == 0) {
    const std::string option = argv[1];
    int taken = 2;
    if (option == "--game-host") {
      gameHost = true;
      taken = 1;
    } else if (argc < 3) {
      usage = true;
      break;
    } else if (option == "--profile") {
      profile = argv[2];
    } else if (option == "--script-time") {
      usage = usage || !ReadCount(argv[2], 4294967295L, scriptTime);
    } else if (option == "--parts") {
      usage = usage || !ReadCount(argv[2], kScriptParts, parts);
    } else {
      usage = true;
      break;
    }
    argc -= taken;
    argv += taken;
  }
  if (usage || argc != 3 || (profile != "shared" && profile != "building")) {
    std::fprintf(stderr,
                 "usage: %s [--profile shared|building] [--game-host [--script-time N] [--parts N]] "
                 "compile|runsource|assemble|run|runimage FILE\n",
                 program);
    return 2;
  }
  const std::string mode = argv[1];
  std::string bytes;
  if (!ReadFile(argv[2], bytes)) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 2;
  }
  if (profile == "building") {
    SetScriptProfile(kBuildingScriptProfile);
    platform::SetMessageBoxSink(PrintBox);
  }
  InitScriptUnits();
  const bool buildingHost = gameHost && profile == "building";
  if (buildingHost) {
    if (parts > brumin::kCommandParts) {
      std::fprintf(stderr, "the building program has %d parts\n", brumin::kCommandParts);
      return 2;
    }
    brumin::RegisterBuildingHostNames();
  } else if (gameHost) {
    InitGameScriptHost();
    ScriptTime = static_cast<uint32_t>(scriptTime);
    PartCount = static_cast<int32_t>(parts);
  }
  AddExtProc("showmess", ShowMess, "", 1, 0);
  ScriptErrorHook = PrintReport;

  std::vector<uint8_t> image;
  if (mode == "compile" || mode == "runsource") {
    std::vector<std::string> assembler;
    TScriptStream code;
    const bool compiled = CompileScript(SplitLines(bytes), assembler, code);
    for (const std::string& line : assembler) std::printf("%s\n", line.c_str());
    if (!compiled) {
      std::printf("compilation failed\n");
      return 1;
    }
    if (mode == "compile") return 0;
    image = code.Bytes;
  } else if (mode == "runimage") {
    image.assign(bytes.begin(), bytes.end());
  } else if (mode == "assemble" || mode == "run") {
    TScriptStream code;
    AssembleScript(SplitLines(bytes), code);
    image = code.Bytes;
    if (ScriptErrorFlag) {
      std::printf("assembly failed\n");
      return 1;
    }
    if (mode == "assemble") {
      PrintHex(image);
      return 0;
    }
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
  }
  ScriptErrorFlag = false;
  std::string result;
  RunScript(image.data(), image.size(), true, result);
  std::printf("result: %s\n", result.c_str());
  if (gameHost) {
    const TPlacement* placements = buildingHost ? brumin::MeshPartTransforms : MeshPartTransforms;
    for (int k = 1; k <= static_cast<int>(parts); ++k) {
      const TPlacement& p = placements[k];
      std::printf("part %d: %.3f %.3f %.3f %.3f %.3f %.3f\n", k, p.X, p.Y, p.Z, p.Roll, p.Gier, p.Nick);
    }
  }
  DoneScriptUnits();
  return ScriptErrorFlag ? 1 : 0;
}
