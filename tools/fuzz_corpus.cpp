#include "tools/fuzz_corpus.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "economy/step/commandpayloads.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/rle.h"
#include "engine/files/vehiclefile.h"
#include "engine/sound/samples.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scriptfile.h"
#include "script/scripts.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"
#include "tools/sample_building.h"
#include "tools/sample_vehicle.h"

namespace fuzz_corpus {

namespace {

namespace fs = std::filesystem;

// A small animation for the script seeds, in the names the fuzz targets' host registry knows.
const std::vector<std::string> kSampleScript = {
    "definevar frame;",
    "defineproc showmess;",
    "",
    "Begin",
    "  frame := frame + 1;",
    "  if frame > 10 then frame := 0;",
    "  showmess('Sample bus');",
    "End;",
};

int32_t g_frame = 0;
void TakeText() { PopString(); }

class Corpus {
 public:
  Corpus(const fs::path& sample, const fs::path& corpus, std::string& error)
      : sample_(sample), corpus_(corpus), error_(error) {}

  bool ok() const { return ok_; }

  // The bytes of a sample file (path relative to the sample root, with '/').
  std::string Sample(const std::string& path) {
    std::ifstream in(sample_ / path, std::ios::binary);
    if (!in) return Failed("cannot read the sample file " + (sample_ / path).string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Starts a target's folder afresh.
  void Target(const std::string& target) {
    std::error_code ec;
    fs::remove_all(corpus_ / target, ec);
    fs::create_directories(corpus_ / target, ec);
    if (ec) Failed("cannot make the corpus folder " + (corpus_ / target).string());
  }

  void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
    if (!ok_) return;
    const fs::path path = corpus_ / target / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Failed("cannot write the seed " + path.string());
  }

  fs::path Path(const std::string& target, const std::string& name) const { return corpus_ / target / name; }

  std::string Failed(const std::string& why) {
    if (ok_) error_ = why;
    ok_ = false;
    return std::string();
  }

 private:
  fs::path sample_, corpus_;
  std::string& error_;
  bool ok_ = true;
};

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap whose file header's reserved bytes choose the state, shrink and flags of the bitmap
// target.
std::string WithLoadChoice(std::string bmp, uint8_t state, uint8_t shrink, uint8_t flags) {
  if (bmp.size() >= 9) {
    bmp[6] = static_cast<char>(state);
    bmp[7] = static_cast<char>(shrink);
    bmp[8] = static_cast<char>(flags);
  }
  return bmp;
}

// An input of the archive-entry target: the layout bytes, the operations, the entry.
std::string ArchiveInput(uint8_t lead, uint8_t claim, const std::vector<std::pair<uint8_t, uint32_t>>& ops,
                         const std::string& entry) {
  std::string s;
  s += static_cast<char>(lead);
  s += static_cast<char>(claim);
  s += static_cast<char>(ops.size());
  for (const auto& [kind, arg] : ops) {
    s += static_cast<char>(kind);
    PutU32(s, arg);
  }
  return s + entry;
}

// The first bytes of a wave file's sound, in a file of its own.
std::string ShortWave(const std::string& wave, size_t bytes, std::string& why) {
  TWaveInfo info{};
  if (!ReadWaveHeader(reinterpret_cast<const uint8_t*>(wave.data()), wave.size(), info, why)) return std::string();
  const size_t n = std::min<size_t>(bytes + kDroppedWaveTail, info.DataLength);
  return MakeWaveFile(info.Channels, info.SampleRate, info.Bits, wave.substr(info.DataOffset, n));
}

// An input of the command-queue target: three players (the first local), five building types,
// the game time to start at, then operations: 0 a post (player, command, payload length and
// bytes), 1 the next tick, 2 a new game time.
std::string CommandQueueInput(uint32_t gameTime, const std::string& ops) {
  std::string s("\x03\x01\x05", 3);
  PutU32(s, gameTime);
  return s + ops;
}
std::string CommandPost(uint8_t player, uint16_t command, const std::string& payload) {
  std::string s(1, '\0');
  s += static_cast<char>(player);
  s += static_cast<char>(command & 0xFF);
  s += static_cast<char>(command >> 8);
  s += static_cast<char>(payload.size());
  return s + payload;
}
// Every command number 0..24 with a payload whose first byte is 1 (a rail curve, building type 1,
// map column 1, way 1) and the rest zero, each followed by a tick.
std::string EveryCommand() {
  const std::string payload = std::string(1, '\1') + std::string(51, '\0');
  std::string ops;
  for (uint16_t command = 0; command <= 24; ++command)
    ops += CommandPost(static_cast<uint8_t>(1 + command % 3), command, payload) + "\x01";
  return ops;
}

std::string CommandPost(uint8_t player, uint16_t command, const TCommandPayload& payload, size_t bytes) {
  return CommandPost(player, command, std::string(payload.begin(), payload.begin() + static_cast<long>(bytes)));
}
// A rail line built, finished and worked on by player 1 (player 2 tries the same): curves from
// (2000, 2000) east in three steps of 600, plans finished, a signal pair at the second connect,
// a router beside the line, a station track, a road crossing, the way under a ray rebuilt, a way
// made a stop, removals of ways and buildings, a harbour with a landing and a coast building at the
// fuzz world's strip of water (world x 6000..7999), each group followed by a tick.
std::string BuiltLine() {
  constexpr char kTick = '\x01', kFinishPlans = '\x04';
  const TVector a{2000, 0, 2000}, b{2600, 0, 2000}, c{3200, 0, 2000}, d{3800, 0, 2000};
  std::string ops;
  for (const auto& [from, to] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, d}})
    ops += CommandPost(1, 3, PackCommandArgs(TCurveWayArgs{1, 0, 0, from, to}), 28);
  ops += CommandPost(2, 3, PackCommandArgs(TCurveWayArgs{1, 0, 0, a, d}), 28);
  ops += std::string(1, kTick) + kFinishPlans;
  ops += CommandPost(1, 10, PackCommandArgs(TSignalArgs{b}), 12);
  ops += CommandPost(1, 10, PackCommandArgs(TSignalArgs{c}), 12);
  ops += CommandPost(1, 4, PackCommandArgs(TThreePointArgs{0, d, {4400, 0, 2000}, {4900, 0, 2300}}), 40);
  ops += CommandPost(1, 12, PackCommandArgs(TStationTrackArgs{{2000, 0, 3000}, {2600, 0, 3000}, 0}), 28);
  ops += CommandPost(1, 5,
                     PackCommandArgs(TXCrossingArgs{0, {5000, 0, 5000}, {5400, 0, 5000}, {5200, 0, 5200},
                                                    {5200, 0, 4800}}),
                     52);
  ops += std::string(1, kTick) + kFinishPlans;
  ops += CommandPost(1, 15, PackCommandArgs(TRebuildWayArgs{0, {4400, 400, 1700}, {0, -400, 300}}), 28);
  ops += CommandPost(1, 14, PackCommandArgs(TRayArgs{{2300, 400, 2700}, {0, -400, 300}}), 24);
  ops += CommandPost(1, 13, PackCommandArgs(TRayArgs{{2300, 400, 2700}, {0, -400, 300}}), 24);
  ops += CommandPost(1, 22, PackCommandArgs(TSignalArgs{b}), 12);
  ops += CommandPost(1, 20, PackCommandArgs(TRemoveArgs{2, 1}), 5);
  ops += CommandPost(1, 21, PackCommandArgs(TRemoveArgs{1, 0}), 5);
  ops += CommandPost(1, 23, PackCommandArgs(TConvertArgs{5, 0}), 8);
  ops += CommandPost(1, 18, PackCommandArgs(TTwoPointArgs{{6050, 0, 6000}, {6050, 0, 6300}}), 24);
  ops += CommandPost(1, 17, PackCommandArgs(TTwoPointArgs{{7900, 0, 7000}, {8300, 0, 7000}}), 24);
  ops += CommandPost(1, 19, PackCommandArgs(TShipLandingArgs{{5950, 400, 5850}, {0, -400, 300}, {6200, 0, 6150}}), 36);
  ops += std::string(1, kTick) + kFinishPlans;
  ops += CommandPost(1, 20, PackCommandArgs(TRemoveArgs{1, 0}), 5) + kTick;
  return ops;
}

std::string Joined(const std::vector<std::string>& lines, const char* end) {
  std::string s;
  for (const std::string& l : lines) s += l + end;
  return s;
}

// An ini file of the sample bus's values, in sections, with lines the reader drops at load.
std::string VehicleIni(const TVehicleInfo& v) {
  std::ostringstream s;
  s << "; the sample bus\r\n[Vehicle]\r\nName=" << v.Names[1].Name.str() << "\r\nName_de=" << v.Names[0].Name.str()
    << "\r\nStartYear=" << v.StartYear << "\r\nLastYear=" << v.LastYear << "\r\nPower=" << v.Horsepower
    << "\r\nWeight=" << v.Weight << "\r\nPrice=$" << std::hex << v.Price << std::dec << "\r\nCaption=Sample\r\n"
    << "\r\n[Meshes]\r\n";
  for (int i = 0; i < 5; ++i) s << "Mesh" << i + 1 << "=" << v.Meshes[i].FileName.str() << "\r\n";
  s << "Class=Image\r\nClass=Button\r\n[Sounds]\r\n";
  for (int i = 0; i < 6; ++i) s << "Sound" << i + 1 << " = " << v.Sounds[i].str() << "\r\n";
  return s.str();
}

}  // namespace

bool WriteFuzzCorpus(const std::string& sampleRoot, const std::string& corpusRoot, std::string& error) {
  Corpus c(sampleRoot, corpusRoot, error);
  for (const char* target : {"archive_entry", "bmp", "brumin_bmp", "brumin_mesh", "font", "frame_list", "ini",
                             "language", "mesh", "rle_decompress", "rle_roundtrip", "script_assembler", "script_file",
                             "script_image", "script_source", "vehicle_file", "building_file", "wave", "news_file",
                             "command_queue"})
    c.Target(target);

  const std::string english = c.Sample("ui/English.lgd");
  const std::string german = c.Sample("ui/Deutsch.lgd");
  const std::string frames = c.Sample("gfx/blink.lst");
  const std::string blink = c.Sample("gfx/blink1.bmp");
  const std::string smoke = c.Sample("gfx/smokesource.bmp");
  const std::string noTexture = c.Sample("gfx/NOTEXTURE.BMP");
  const std::string font = c.Sample("ui/times.fnt");
  const std::string bus = c.Sample("vehicles/samplebus.vif");
  const std::string bogie = c.Sample("vehicles/samplebogie.msh2");
  if (!c.ok()) return false;

  c.Seed("language", "English.lgd", english);
  const std::string news = c.Sample("newspaper/news.ini");
  c.Seed("news_file", "news.ini", news);
  c.Seed("news_file", "news-cut.ini", news.substr(0, news.size() / 2));
  c.Seed("language", "Deutsch.lgd", german);
  c.Seed("frame_list", "blink.lst", frames);
  // The list's frames over and over: 254 frames, within what a list may hold, and 256, past it.
  std::string frameLines;
  std::istringstream lines(frames);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != ';') frameLines += line + "\n";
  std::string many = frames;
  for (int i = 2; i < 254; i += 2) many += frameLines;
  c.Seed("frame_list", "blink-254.lst", many);
  c.Seed("frame_list", "blink-256.lst", many + frameLines);
  c.Seed("font", "times.fnt", font);
  for (const char* mesh : {"NoMesh.msh2", "samplebus.msh2", "samplebogie.msh2", "cube.msh2"})
    c.Seed("mesh", mesh, c.Sample(std::string("vehicles/") + mesh));

  // Bitmaps as they are, and with the other states, shrink factors and GL answers.
  c.Seed("bmp", "blink1.bmp", blink);
  c.Seed("bmp", "blink1-keyed.bmp", WithLoadChoice(blink, 1, 1, 1));
  c.Seed("bmp", "smokesource-alpha.bmp", WithLoadChoice(smoke, 2, 0, 0));
  c.Seed("bmp", "smokesource-packed.bmp", WithLoadChoice(smoke, 3, 2, 1));
  c.Seed("bmp", "notexture-refused.bmp", WithLoadChoice(noTexture, 0, 1, 2));

  // The building program's meshes in both layouts, and a shed cut short; its bitmaps as they are,
  // and the fence claiming twice its height.
  for (const char* mesh : {"samplehouse.msh2", "NoMesh.msh2", "oldshed.msh"})
    c.Seed("brumin_mesh", mesh, c.Sample(std::string("buildings/") + mesh));
  const std::string shed = c.Sample("buildings/oldshed.msh");
  c.Seed("brumin_mesh", "oldshed-cut.msh", shed.substr(0, shed.size() / 2));
  for (const char* bmp : {"hfence.bmp", "spherem.bmp", "flag1.bmp"})
    c.Seed("brumin_bmp", bmp, c.Sample(std::string("gfx/") + bmp));
  std::string tall = c.Sample("gfx/hfence.bmp");
  if (tall.size() > 22) tall[22] = static_cast<char>(2 * static_cast<uint8_t>(tall[22]));
  c.Seed("brumin_bmp", "hfence-tall.bmp", tall);

  // The ini reader: the sample bus's values as an ini file, and a language file's lines.
  c.Seed("ini", "samplebus.ini", VehicleIni(sample_vehicle::SampleBus()));
  c.Seed("ini", "English.lgd", english);

  // Archive entries: text and binary entries read by lines, blocks and seeks in several sizes.
  c.Seed("archive_entry", "blink.lst", ArchiveInput(17, 0x23, {{4, 255}, {5, 0}, {4, 40}, {7, 0}}, frames));
  c.Seed("archive_entry", "English.lgd",
         ArchiveInput(0, 0x40, {{0, 9}, {4, 255}, {3, 3}, {1, 5}, {6, 1}, {4, 10}, {0, 0xFFFFFFF0u}, {4, 255}},
                      english));
  c.Seed("archive_entry", "samplebogie.msh2",
         ArchiveInput(200, 0xF7, {{1, 21}, {3, 36}, {1, 4}, {3, 0xFE}, {2, 3}, {0, 63}, {1, 1}, {7, 0}}, bogie));

  // Command messages: every number once, posts across the clock's restart and after it was set
  // back, and one post more than the queue holds.
  c.Seed("command_queue", "every-command", CommandQueueInput(1000, EveryCommand()));
  const std::string removal = CommandPost(2, 20, std::string("\x07\0\0\0\x01", 5));
  c.Seed("command_queue", "restart", CommandQueueInput(kGameTimeLast, removal + "\x01" + removal + "\x02" +
                                                                      std::string("\xF4\x01\0\0", 4) + "\x01"));
  std::string overflow;
  for (int i = 0; i < 51; ++i) overflow += removal;
  c.Seed("command_queue", "overflow", CommandQueueInput(7, overflow + "\x03\x01"));
  c.Seed("command_queue", "built-line", CommandQueueInput(1000, BuiltLine()));

  // The vehicle file as written, and the same bus naming its script file.
  c.Seed("vehicle_file", "samplebus.vif", bus);
  TVehicleInfo scripted = sample_vehicle::SampleBus();
  scripted.ScriptFile = "samplebus.mas";
  std::string why;
  if (!SaveVehicleFile(c.Path("vehicle_file", "samplebus-scripted.vif").string(), scripted.Names[1].Name, scripted,
                       &why))
    c.Failed(why);

  // The building file as written (naming its script file), a newer one and one without script.
  c.Seed("building_file", "samplehouse.bif", c.Sample("buildings/samplehouse.bif"));
  for (const bool newer : {true, false}) {
    TBuildingInfo house = sample_building::SampleHouseInfo();
    if (newer) house.Version = kBuildingInfoVersion + 1;
    else house.ScriptFile = "";
    if (!SaveBuildingFile(c.Path("building_file", newer ? "samplehouse-newer.bif" : "samplehouse-plain.bif").string(),
                          house.Names[0].Name, house, why))
      c.Failed(why);
  }

  // The codec: the bus's record stream with its record's bound and a smaller one; the record
  // itself, the font's glyph table and a recipe of runs and copies to pack.
  if (bus.size() < static_cast<size_t>(kVehicleHeadSize)) {
    c.Failed("the sample vehicle file is too short");
    return false;
  }
  const std::string stream = bus.substr(kVehicleHeadSize);
  std::string record(static_cast<size_t>(kVehicleInfoSize), '\0');
  rledecompress(reinterpret_cast<const uint8_t*>(stream.data()), static_cast<int32_t>(stream.size()),
                reinterpret_cast<uint8_t*>(record.data()), kVehicleInfoSize);
  c.Seed("rle_decompress", "samplebus-record", std::string("\x38\x1E", 2) + stream);
  c.Seed("rle_decompress", "samplebus-cut", std::string("\x64\x00", 2) + stream);
  c.Seed("rle_roundtrip", "samplebus-record", std::string(1, '\0') + record);
  c.Seed("rle_roundtrip", "times-glyphs", std::string(1, '\0') + font);
  c.Seed("rle_roundtrip", "recipe",
         std::string("\x01\x7F\x41\xFF\x00\x20\x10\x81\x03\x1F\x00\x42\x07\x83\xFF\x1F\x05\x00\x00", 19));

  // Scripts: the sample source, its assembler text, its image and the script file of both.
  InitScriptUnits();
  AddExtVar("frame", 0, &g_frame);
  AddExtProc("showmess", TakeText, "", 1, 0);
  std::vector<std::string> assembler;
  CompileSource(kSampleScript, assembler);
  if (ScriptErrorFlag) {
    c.Failed("the sample script does not compile");
    return false;
  }
  TScriptStream code;
  AssembleScript(assembler, code);
  if (ScriptErrorFlag) {
    c.Failed("the sample script does not assemble");
    return false;
  }
  const std::string image(code.Bytes.begin(), code.Bytes.end());
  c.Seed("script_source", "samplebus.txt", Joined(kSampleScript, "\n"));
  c.Seed("script_assembler", "samplebus.asm", Joined(assembler, "\n"));
  c.Seed("script_image", "samplebus.img", image);
  const std::vector<uint8_t> mas = EncodeScriptFile(ScriptSourceText(kSampleScript), code.Bytes);
  c.Seed("script_file", "samplebus.mas", std::string(mas.begin(), mas.end()));
  const std::vector<uint8_t> sourceOnly = EncodeScriptFile(ScriptSourceText(kSampleScript), {});
  c.Seed("script_file", "source-only.mas", std::string(sourceOnly.begin(), sourceOnly.end()));

  // Wave files: the first sound bytes of the 8-bit and the 16-bit sample.
  for (const char* wave : {"horn8.wav", "bell16.wav"}) {
    const std::string bytes = ShortWave(c.Sample(std::string("sfx/") + wave), 256, why);
    if (bytes.empty()) {
    c.Failed(std::string("cannot read the sample ") + wave + ": " + why);
    return false;
  }
    c.Seed("wave", wave, bytes);
  }
  return c.ok();
}

}  // namespace fuzz_corpus
