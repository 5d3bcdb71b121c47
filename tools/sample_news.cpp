#include "tools/sample_news.h"

#include <filesystem>

#include "tools/sample_gfx.h"

namespace sample_news {

std::string MakeNewsFile() {
  // Lines are kept up to 31 characters: the texts are short, one is longer on purpose.
  const char* const lines[] = {
      "; News of the sample game",
      "[GENERAL]",
      "GIMMICKCOUNT=2",
      "EVENTCOUNT=6",
      "[GIM1]",
      "TEXTENGLISH=Fog over %CITY1%",
      "TEXTDEUTSCH=Nebel in %CITY1%",
      "WHERE=TICKER",
      "[GIM2]",
      "TEXTENGLISH=%RANDOMFAMILY% wins",
      "WHERE=NEWSPAPER",
      "PICTURE=gag.bmp",
      "[EV1]",
      "EVENT=NEWRST",
      "TEXTENGLISH=%STATION1%-%STATION2%",
      "WHERE=TICKER",
      "[EV2]",
      "EVENT=DATE",
      "DATE=1.1.1960",
      "TEXTENGLISH=Happy 1960!",
      "WHERE=NEWSPAPER",
      "PICTURE=newyear.bmp",
      "[EV3]",
      "EVENT=FIRSTBUSTR",
      "DATEFROM=1950",
      "DATETO=1970",
      "TEXTENGLISH=Bus for %CITY1%",
      "WHERE=TICKER",
      "[EV4]",
      "EVENT=NEWVEHICLE-TRAIN1",
      "TEXTENGLISH=%DATA3% is out",
      "WHERE=NEWSPAPER",
      "PICTURE=train.bmp",
      "[EV5]",
      "EVENT=INDUSTGROWS1",
      "TEXTENGLISH=%EVENTRAISER% %DATA3FL%1 t",
      "WHERE=TICKER",
      "[EV6]",
      "EVENT=INDUSTLOOSES2",
      "TEXTENGLISH=%OWNFIRMNAME% and %RANDOMFIRM% lose money over the winter",
      "WHERE=TICKER",
  };
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

bool WriteSampleNews(const std::string& root, std::string& error) {
  const std::filesystem::path folder = std::filesystem::path(root) / "newspaper";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const auto page = [](sample_gfx::Rgb ink) {
    return sample_gfx::MakeBmp(64, 64, [ink](int x, int y) {
      return (x / 8 + y / 8) % 2 == 0 ? ink : sample_gfx::Rgb{235, 230, 215};
    });
  };
  return sample_gfx::WriteSampleFile((folder / "news.ini").string(), MakeNewsFile(), error) &&
         sample_gfx::WriteSampleFile((folder / "gag.bmp").string(), page({40, 40, 40}), error) &&
         sample_gfx::WriteSampleFile((folder / "newyear.bmp").string(), page({180, 30, 30}), error) &&
         sample_gfx::WriteSampleFile((folder / "train.bmp").string(), page({30, 60, 150}), error);
}

}  // namespace sample_news
