// The building file (*.bif) loader on arbitrary bytes, the way the editor loads a building, without
// its window: the file buildings\FUZZ.BIF, its version and the script file it names are read and
// checked whole (buildings\samplehouse.mas lies ready, so a record naming it reaches the script
// reader). Around that: the engine's lenient reader, the name-head reader and the building list
// agree with the editor's reader, and a taken record packs, checks and unpacks back to itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "apps/brumin/buildingdoc.h"
#include "engine/files/buildingfile.h"
#include "fuzz/file_host.h"
#include "script/scriptfile.h"

using fuzz_files::Check;

namespace {

constexpr const char* kFile = "buildings/FUZZ.BIF";

bool Start() {
  fuzz_files::Start();
  const std::vector<uint8_t> script = EncodeScriptFile("definevar frame;\r\n\r\nBegin\r\nEnd;\r\n", {});
  fuzz_files::WriteBytes(fuzz_files::Base() + "buildings/samplehouse.mas", script.data(), script.size());
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::WriteInput(kFile, data, size);
  const std::string path = fuzz_files::Base() + kFile;

  TBuildingInfo info{};
  info.Costs = 4711;
  ShortString<40> head = "as it was";
  std::string error;
  bool taken = false;
  Check(!fuzz_files::StoppedFatally([&] { taken = ReadBuildingFile(path, info, head, error); }),
        "the building reader refuses with a message, never fatally");

  // The engine's lenient reader takes what the strict one takes, with the same record and head.
  TBuildingInfoBytes lenient{};
  ShortString<40> lenientHead{};
  const bool lenientTaken = LoadInfoFile(kBuildingFileFormat, path, lenient.data(), &lenientHead);
  const bool withinLimit = size <= static_cast<size_t>(kInfoHeadSize + kBuildingFileFormat.StreamLimit());
  Check(taken == (lenientTaken && withinLimit && size > 0), "the strict and the lenient reader take the same files");
  std::vector<std::string> skipped;
  const std::vector<InfoListEntry> list = ListBuildingFiles(fuzz_files::Base() + "buildings", skipped);
  Check(list.size() == (taken ? 1u : 0u) && skipped.size() == (taken ? 0u : 1u), "the list holds the file when it reads");

  // The editor's load: file, version and script, all before any control would change.
  brumin::TBuildingLoad load;
  brumin::TLoadRefusal refusal;
  bool loaded = false;
  Check(!fuzz_files::StoppedFatally([&] { loaded = brumin::ReadBuildingForEditor(path, load, refusal); }),
        "the editor's load refuses with a box, never fatally");
  Check(loaded || !refusal.Text.empty(), "a refused load is reported");
  Check(!loaded || taken, "the editor loads only files the reader takes");

  if (!taken) {
    Check(info.Costs == 4711 && head.str() == "as it was", "a refused file leaves the record and head as they were");
    Check(!error.empty(), "a refused file is reported");
    return 0;
  }
  Check(BuildingInfoToBytes(info) == BuildingInfoToBytes(BuildingInfoFromBytes(lenient)) &&
            head.str() == lenientHead.str(),
        "both readers give the same record");
  ShortString<40> listed{};
  Check(ReadInfoFileHead(kBuildingFileFormat, path, listed) && listed.str() == head.str(), "the name head reads alone");
  Check(FileNameOfListItem(InfoListItemText(list[0])) == "FUZZ.BIF",
        "the list item gives back its file name");
  for (const TInfoMeshRow& m : info.Meshes)
    brumin::MeshNameOfCell(brumin::MeshCellOfName(m.FileName.str()));

  // Saved again, the record packs, passes the save check and unpacks to itself (unless it holds
  // all 256 byte values, which the codec cannot pack).
  const TBuildingInfoBytes bytes = BuildingInfoToBytes(info);
  std::vector<uint8_t> stream;
  if (PackInfoRecord(kBuildingFileFormat, bytes.data(), stream)) {
    Check(InfoStreamMismatch(kBuildingFileFormat, stream.data(), stream.size(), bytes.data()) == -1,
          "the save check finds no difference");
    TBuildingInfoBytes back{};
    Check(UnpackInfoRecord(kBuildingFileFormat, stream.data(), stream.size(), back.data()) && back == bytes,
          "a packed record unpacks to itself");
  }
  return 0;
}
