#include <memory>

#include "economy/town/randomnames.h"
#include "economy/town/stations.h"
#include "engine/world/records.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;

class StationNames : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    CityCount = 2;
    Cities[1].Name = "Alderby";
    Cities[1].Position = {10000.0f, 0.0f, 10000.0f};
    Cities[2].Name = "Brookend";
    Cities[2].Position = {50000.0f, 0.0f, 50000.0f};
  }
  // A named, stored station at (x, z).
  static std::unique_ptr<TStation> Station(float x, float z, uint16_t kind = 3) {
    auto s = std::make_unique<TStation>();
    s->Init(0, 0, {x, 0.0f, z});
    NameStation(*s, kind);
    s->A_Write();
    return s;
  }
};

TEST_F(StationNames, SectorsAtTheirBorders) {
  struct Case {
    float dx, dz;
    uint8_t sector;
  };
  const Case cases[] = {
      {999.0f, 0.0f, kSectorCentral},   {0.0f, -999.0f, kSectorCentral}, {1000.0f, 0.0f, kSectorEast},
      {-1000.0f, 0.0f, kSectorWest},    {0.0f, -1000.0f, kSectorNorth},  {0.0f, 1000.0f, kSectorSouth},
      {1000.0f, 999.0f, kSectorEast},   {1000.0f, 1001.0f, kSectorSouth}, {-1000.0f, -999.0f, kSectorWest},
      {-1000.0f, -1001.0f, kSectorNorth},
  };
  for (const Case& c : cases) {
    TStation s{};
    s.Init(7, 0, {10000.0f + c.dx, 0.0f, 10000.0f + c.dz});
    s.HandlingRate = 10;
    NameStation(s, 3);
    EXPECT_EQ(s.City, 1) << c.dx << " " << c.dz;
    EXPECT_EQ(s.Direction, c.sector) << c.dx << " " << c.dz;
    EXPECT_EQ(s.BuildingType, 3);
    EXPECT_EQ(s.Kind, 7);  // the founding player and the handling rate stay
    EXPECT_EQ(s.HandlingRate, 10);
  }
}

TEST_F(StationNames, NumbersSkipOneAndCountPerTownSectorAndKind) {
  EXPECT_EQ(Station(10000, 10000)->Number, 0);
  EXPECT_EQ(Station(10100, 10000)->Number, 2);
  EXPECT_EQ(Station(10200, 10000)->Number, 3);
  EXPECT_EQ(Station(10000, 10000, 4)->Number, 0);    // another kind
  EXPECT_EQ(Station(20000, 10000)->Number, 0);       // another sector
  EXPECT_EQ(Station(50000, 50000)->Number, 0);       // another town
  const auto s = Station(10000, 10300);
  EXPECT_EQ(s->Number, 4);
  EXPECT_EQ(s->City, 1);
  EXPECT_EQ(s->Name.str().rfind("Alderby", 0), 0u) << s->Name.str();
}

TEST_F(StationNames, NearestTownWithoutTownsIsNone) {
  float d = 0.0f;
  EXPECT_EQ(NearestCity({0, 0, 0}, d), 1);
  CityCount = 0;
  EXPECT_EQ(NearestCity({0, 0, 0}, d), 0);
  EXPECT_EQ(d, 1e20f);
}

using RandomNames = EconomyTest;

TEST_F(RandomNames, PersonAndFirmFromTheTables) {
  std::string name, person;
  MakeRandomName(1, 77, 0, name, 255, person, 255);
  EXPECT_EQ(name, person);
  EXPECT_NE(name.find(' '), std::string::npos);
  std::string again, again2;
  MakeRandomName(1, 77, 0, again, 255, again2, 255);
  EXPECT_EQ(again, name);  // the seed decides
  MakeRandomName(1, 78, 1, name, 255, person, 255);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find('%'), std::string::npos);
  MakeRandomName(1, 78, 1, name, 5, person, 3);
  EXPECT_EQ(name.size(), 5u);
  EXPECT_EQ(person.size(), 3u);
}

TEST_F(RandomNames, LanguageWithoutTablesFallsBackToTheFirst) {
  std::string first, firstPerson, seventh, seventhPerson;
  MakeRandomName(1, 5, 1, first, 255, firstPerson, 255);
  MakeRandomName(7, 5, 1, seventh, 255, seventhPerson, 255);
  EXPECT_EQ(seventh, first);
  EXPECT_EQ(seventhPerson, firstPerson);
  NameTables[1].FirstNameCount = 0;
  std::string untouched = "kept", person = "kept";
  MakeRandomName(7, 5, 1, untouched, 255, person, 255);
  EXPECT_EQ(untouched, "kept");
  EXPECT_EQ(person, "kept");
}

TEST_F(RandomNames, OneNameTableWithATwoNamePatternEnds) {
  TNameTables& t = NameTables[1];
  t.FirstNameCount = 1;
  t.FirstNames[1] = "Ola";
  t.LastNameCount = 1;
  t.LastNames[1] = "Berg";
  t.FirmPatternCount = 1;
  t.FirmPatterns[1] = "%L & %L%";
  t.FirmSuffixCount = 1;
  t.FirmSuffixes[1] = "Ltd";
  std::string name, person;
  MakeRandomName(1, 1, 1, name, 255, person, 255);
  EXPECT_EQ(name, "Berg & Berg Ltd");
  EXPECT_EQ(person, "Ola BergBerg");
  t.FirstNames[1] = "A%F";  // a name holding a code is not read again
  MakeRandomName(1, 1, 0, name, 255, person, 255);
  EXPECT_EQ(name, "A%F Berg");
}

}  // namespace
