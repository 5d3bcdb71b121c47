// The sound layer's own logic. The device stays closed here: where a test needs the routines to
// run as with an open device it sets SoundSystem.Enabled itself, and the device calls do nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

uint32_t g_ticks = 0;
uint32_t FakeTicks() { return g_ticks; }

// Sound data whose every byte differs from its neighbours, so a shifted copy shows.
std::string Ramp(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 1);
  return s;
}

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

TWaveInfo Read(const std::string& file, bool expectOk, std::string* errorOut = nullptr) {
  TWaveInfo info{};
  std::string error;
  const bool ok = ReadWaveHeader(reinterpret_cast<const uint8_t*>(file.data()), file.size(), info, error);
  EXPECT_EQ(ok, expectOk) << error;
  if (errorOut) *errorOut = error;
  return info;
}

class SoundLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    InitQzSound();
    testing_support::CaptureDebugger();
    platform::SetTickSource(FakeTicks);
    g_ticks = 1000;
    GameOptions[17] = 1;
    GameOptions[18] = 255;
    GameOptions[20] = 255;
  }
  void TearDown() override {
    InitQzSound();
    platform::SetTickSource(nullptr);
    platform::SetDebuggerSink(nullptr);
    ResetWorldState();
  }
  int32_t Prepare(uint32_t a, uint32_t b, int32_t sample, const TVector& at = {0, 0, 0}) {
    return PrepareChannel(a, b, sample, 0, at, TVector{0, 0, 0}, 1.0f, false);
  }
};

TEST(WaveFile, LeadingSilenceIsTheMiddleValueAndTheDataLosesItsTail) {
  struct Case {
    uint16_t channels, bits;
    uint32_t rate;
    uint32_t silenceBytes;
    uint8_t silenceValue;
  };
  const Case cases[] = {
      {1, 8, 22050, 2205, 128},   // 22,050 bytes a second: 100 ms are 2,205 bytes
      {1, 16, 22050, 4410, 0},    // signed samples are silent at 0
      {2, 16, 11025, 4408, 0},    // 4,410 bytes would split a frame of 4
  };
  const std::string data = Ramp(1000);
  for (const Case& c : cases) {
    const std::string file = MakeWaveFile(c.channels, c.rate, c.bits, data);
    const TWaveInfo info = Read(file, true);
    EXPECT_EQ(info.DataOffset, 44u);
    EXPECT_EQ(info.DataLength, 1000u);
    const std::vector<uint8_t> buffer =
        MakeSampleBuffer(reinterpret_cast<const uint8_t*>(file.data()), info, 100);
    ASSERT_EQ(buffer.size(), c.silenceBytes + 960) << c.bits << " " << c.rate;
    for (uint32_t i = 0; i < c.silenceBytes; ++i) ASSERT_EQ(buffer[i], c.silenceValue) << i;
    EXPECT_EQ(std::string(buffer.begin() + c.silenceBytes, buffer.end()), data.substr(0, 960));
  }
  EXPECT_EQ(SilenceBytes(100, 22050, 1), 2205u);
  EXPECT_EQ(SilenceBytes(0, 22050, 1), 0u);
  EXPECT_EQ(SilenceBytes(-100, 22050, 1), 0u);
}

TEST(WaveFile, ChunksAreWalkedAndOthersSkipped) {
  // LIST before the format, an odd-sized chunk (with its pad byte) between format and data.
  const std::string data = Ramp(100);
  std::string file = MakeWaveFile(1, 22050, 8, data);
  std::string list = "LIST";
  list += std::string("\x0A\0\0\0", 4) + "INFOISFT\x02x";
  std::string odd = "junk" + std::string("\x03\0\0\0", 4) + "abc" + std::string(1, '\0');
  file = file.substr(0, 12) + list + file.substr(12, 24) + odd + file.substr(36);
  PutU32(file, 4, static_cast<uint32_t>(file.size() - 8));
  TWaveInfo info = Read(file, true);
  EXPECT_EQ(info.Channels, 1);
  EXPECT_EQ(info.SampleRate, 22050u);
  EXPECT_EQ(info.Bits, 8);
  EXPECT_EQ(info.DataLength, 100u);
  EXPECT_EQ(file.substr(info.DataOffset, info.DataLength), data);

  // A data chunk that claims more than the file holds is cut to what is there.
  std::string shortFile = MakeWaveFile(1, 22050, 8, data);
  PutU32(shortFile, 40, 5000);
  EXPECT_EQ(Read(shortFile, true).DataLength, 100u);

  // The extensible format with the PCM sub-format is PCM.
  std::string ext = MakeWaveFile(1, 22050, 16, data);
  std::string fmt = ext.substr(20, 16);
  PutU16(fmt, 0, 0xFFFE);
  fmt += std::string("\x16\0\x10\0\x04\0\0\0\x01\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 24);
  std::string extFile = ext.substr(0, 12) + "fmt " + std::string("\x28\0\0\0", 4) + fmt + ext.substr(36);
  PutU32(extFile, 4, static_cast<uint32_t>(extFile.size() - 8));
  info = Read(extFile, true);
  EXPECT_EQ(info.FormatTag, 1);
  EXPECT_EQ(info.Bits, 16);
  EXPECT_EQ(extFile.substr(info.DataOffset, info.DataLength), data);
}

TEST(WaveFile, UnplayableFilesAreRefusedWithAReason) {
  const std::string good = MakeWaveFile(1, 22050, 8, Ramp(100));
  struct Case {
    const char* what;
    std::string file;
    const char* reason;
  };
  std::vector<Case> cases;
  std::string f;
  f = good;
  PutU16(f, 20, 3);  // IEEE float
  cases.push_back({"float", f, "not PCM (format 3)"});
  f = good;
  PutU16(f, 22, 3);
  cases.push_back({"three channels", f, "3 channels (1 or 2 are played)"});
  f = good;
  PutU16(f, 22, 0);
  cases.push_back({"no channels", f, "0 channels (1 or 2 are played)"});
  f = good;
  PutU16(f, 34, 24);
  cases.push_back({"24 bits", f, "24 bits per sample (8 or 16 are played)"});
  f = good;
  PutU32(f, 24, 96000);
  cases.push_back({"96 kHz", f, "sample rate 96000 out of range"});
  f = good;
  PutU32(f, 24, 0);
  cases.push_back({"0 Hz", f, "sample rate 0 out of range"});
  cases.push_back({"39 data bytes", MakeWaveFile(1, 22050, 8, Ramp(39)), "only 39 data bytes (40 or more needed)"});
  cases.push_back({"no data", good.substr(0, 36), "no data chunk"});
  cases.push_back({"no format", good.substr(0, 12) + good.substr(36), "no format chunk"});
  f = good;
  f[8] = 'X';
  cases.push_back({"not WAVE", f, "not a RIFF WAVE file"});
  cases.push_back({"empty", "", "not a RIFF WAVE file"});
  f = good.substr(0, 28);
  cases.push_back({"cut format", f, "format chunk too short"});
  for (const Case& c : cases) {
    std::string error;
    Read(c.file, false, &error);
    EXPECT_EQ(error, c.reason) << c.what;
  }
  // Exactly the tail that is dropped: a sample with nothing but its silence.
  Read(MakeWaveFile(1, 22050, 8, Ramp(40)), true);
}

TEST_F(SoundLayer, PlayVolumeFallsWithTheSquaredDistance) {
  struct Case {
    TVector at;
    int32_t base;
    int32_t volume;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {{0, 0, 0}, 0, 0},
      {{2000, 0, 0}, 0, -2500},
      {{0, 1200, 1600}, 0, -2500},
      {{1000, 0, 0}, 0, -625},
      {{4000, 0, 0}, 0, -10000},
      {{4001, 0, 0}, 0, -10000},
      {{0, 0, 0}, 500, 0},
      {{2000, 0, 0}, -8000, -10000},
      {{0, 0, 0}, -300, -300},
      {{nan, 0, 0}, 0, -10000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlayVolume(c.at, c.base), c.volume) << c.at.x << "," << c.at.y << "," << c.at.z << " base " << c.base;

  // The distance is to the listener, wherever it stands.
  SetSoundListener({500, 10, -300}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  EXPECT_EQ(PlayVolume({2500, 10, -300}, 0), -2500);
  EXPECT_EQ(PlayVolume({500, 10, -300}, 0), 0);
}

TEST_F(SoundLayer, VehicleVolumeOptionsLowerOnlyWhileSet) {
  struct Case {
    uint8_t o1, o2;
    int32_t volume;
  };
  for (const Case& c : {Case{200, 200, -2090}, Case{255, 255, 0}, Case{229, 229, -988}, Case{255, 0, -4845},
                        Case{0, 0, -9690}}) {
    GameOptions[18] = c.o1;
    GameOptions[20] = c.o2;
    UseVehicleVolume = 1;
    EXPECT_EQ(PlayVolume({0, 0, 0}, 0), c.volume) << int(c.o1) << " " << int(c.o2);
    UseVehicleVolume = 0;
    EXPECT_EQ(PlayVolume({0, 0, 0}, 0), 0);
  }
  GameOptions[18] = GameOptions[20] = 200;
  UseVehicleVolume = 1;
  EXPECT_EQ(PlayVolume({2000, 0, 0}, 0), -4590);
  EXPECT_EQ(PlayVolume({3900, 0, 0}, 0), -10000);  // clamped
}

TEST_F(SoundLayer, PrepareChannelResultsWithoutAUsableChannel) {
  RegisterSample(5, "none.wav", 0, 0, false);
  // The device is closed: nothing is prepared.
  EXPECT_EQ(Prepare(1, 0, 5), 0);
  SoundSystem.Enabled = 1;
  // Sound switched off: 0 even with every channel free.
  GameOptions[17] = 0;
  EXPECT_EQ(Prepare(1, 0, 5), 0);
  GameOptions[17] = 1;
  // No sample, or a number outside the table.
  EXPECT_EQ(Prepare(1, 0, 0), 0);
  EXPECT_EQ(Prepare(1, 0, 1001), 0);
  EXPECT_EQ(Prepare(1, 0, -3), 0);
  EXPECT_EQ(MaxSoundChannel, 0);
  // Farther than 4,000 units: -1, and the channel stays free.
  EXPECT_EQ(Prepare(1, 0, 5, {4000.5f, 0, 0}), -1);
  EXPECT_EQ(SoundChannels[1].Prepared, 0);
  EXPECT_EQ(FindFreeChannel(), 1);
  // Every channel in use: -1.
  for (int i = 1; i <= kSoundChannelCount; ++i) SoundChannels[i].Started = 1;
  EXPECT_EQ(FindFreeChannel(), -1);
  EXPECT_EQ(Prepare(1, 0, 5), -1);
  SoundChannels[137].Started = 0;
  EXPECT_EQ(FindFreeChannel(), 137);
  EXPECT_EQ(MaxSoundChannel, 137);
  EXPECT_TRUE(testing_support::DebuggerLines().empty());
}

class SoundFiles : public SoundLayer {
 protected:
  void SetUp() override {
    SoundLayer::SetUp();
    oldDir_ = platform::CurrentDir();
    root_ = MakeTempFolder("sfx");
    std::filesystem::create_directories(root_ + "sfx");
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
    SoundLayer::TearDown();
  }
  std::string oldDir_, root_;
};

TEST_F(SoundFiles, MissingSampleWarnsOnceAndStaysUnloaded) {
  SoundSystem.Enabled = 1;
  RegisterSample(7, "gone.wav", 0, 0, false);
  EXPECT_EQ(Prepare(3, 0, 7), -4);
  EXPECT_EQ(testing_support::DebuggerLines(), (std::vector<std::string>{"Warning: TQZSSample.LoadFromFile(gone.wav): FILE NOT FOUND!"}));
  EXPECT_EQ(SoundSamples[7].Loaded, 0);
  EXPECT_EQ(SoundSamples[7].Reload, 0);
  // Not loaded: no further attempt and no further warning.
  EXPECT_EQ(Prepare(3, 0, 7), -4);
  EXPECT_EQ(testing_support::DebuggerLines().size(), 1u);
  // The owners were taken, but the channel stays free.
  EXPECT_EQ(SoundChannels[1].OwnerA, 3u);
  EXPECT_EQ(SoundChannels[1].Prepared, 0);
}

TEST_F(SoundFiles, UnusableWaveFileWarnsWithTheReasonAndStaysUnloaded) {
  SoundSystem.Enabled = 1;
  std::string f = MakeWaveFile(1, 22050, 8, Ramp(100));
  f[20] = 3;
  WriteFileBytes(root_ + "sfx/float.wav", f);
  RegisterSample(8, "FLOAT.WAV", 0, 0, false);
  EXPECT_EQ(Prepare(3, 0, 8), -4);
  EXPECT_EQ(testing_support::DebuggerLines(),
            (std::vector<std::string>{"Warning: TQZSSample.LoadFromFile(FLOAT.WAV): UNUSABLE WAVE FILE: not PCM (format 3)"}));
  EXPECT_EQ(SoundSamples[8].Loaded, 0);
  EXPECT_EQ(SoundSamples[8].BufferBytes, 0u);
}

TEST_F(SoundFiles, LoadingFillsTheFormatAndTakesTheNextSilence) {
  WriteFileBytes(root_ + "sfx/tone.wav", MakeWaveFile(1, 22050, 16, Ramp(22090)));
  SoundSamples[2].LoadFromFile("tone.wav");  // the device is closed: nothing happens
  EXPECT_EQ(SoundSamples[2].Loaded, 0);
  EXPECT_TRUE(SoundSamples[2].Name.empty());

  SoundSystem.Enabled = 1;
  RegisterSample(2, "tone.wav", 100, 250, true);
  EnsureSampleLoaded(2);
  const TQzsSample& s = SoundSamples[2];
  EXPECT_EQ(s.Loaded, 1);
  EXPECT_EQ(s.Reload, 0);
  EXPECT_EQ(s.Name.str(), "tone.wav");
  EXPECT_EQ(s.SampleRate, 22050);
  EXPECT_EQ(s.Bits, 16);
  EXPECT_EQ(s.Channels, 1);
  EXPECT_EQ(s.BlockAlign, 2);
  EXPECT_EQ(s.BytesPerSecond, 44100u);
  EXPECT_EQ(s.BufferBytes, 4410u + 22050u);
  EXPECT_EQ(s.Duration, 600u);  // 26,460 bytes at 44,100 a second
  EXPECT_EQ(s.Silence, 250);
  EXPECT_TRUE(testing_support::DebuggerLines().empty());
  // Without a device there is no buffer; the voice cannot be made.
  EXPECT_EQ(s.Buffer, 0u);
  g_ticks = 77;
  GameTime = 12345;
  EXPECT_EQ(Prepare(3, 0, 2), -2);
  EXPECT_EQ(SoundSamples[2].LastUse, 12345u);
}

TEST_F(SoundLayer, FindChannelReturnsTheNewestOfThePair) {
  auto Use = [](int ch, uint32_t a, uint32_t b, uint32_t tick, bool started) {
    SoundChannels[ch].OwnerA = a;
    SoundChannels[ch].OwnerB = b;
    SoundChannels[ch].StartTick = tick;
    SoundChannels[ch].Started = started;
    SoundChannels[ch].Prepared = !started;
  };
  Use(3, 10, 99, 500, true);
  Use(7, 10, 99, 400, false);
  Use(9, 10, 98, 900, true);
  Use(11, 11, 99, 900, true);
  EXPECT_EQ(FindChannel(10, 99), 3);
  EXPECT_EQ(FindChannel(10, 98), 9);
  EXPECT_EQ(FindChannel(10, 97), 0);
  // Equal ticks: the higher number wins.
  SoundChannels[7].StartTick = 500;
  EXPECT_EQ(FindChannel(10, 99), 7);
  // A seek makes a channel the newest.
  g_ticks = 600;
  SeekChannel(SoundChannels[3], 100);
  EXPECT_EQ(SoundChannels[3].PlayPosition, 100u);
  EXPECT_EQ(FindChannel(10, 99), 3);
  // Ticks compare unsigned.
  SoundChannels[7].StartTick = 0xFFFFFFF0u;
  EXPECT_EQ(FindChannel(10, 99), 7);
  // A free channel is not found, whatever its owners.
  SoundChannels[7].Prepared = 0;
  EXPECT_EQ(FindChannel(10, 99), 3);
}

TEST_F(SoundLayer, ClosedDeviceFindsNothingAndReleasesNothing) {
  const TVector at{1, 2, 3};
  EXPECT_EQ(FindChannel(5, 0), 0);
  EXPECT_FALSE(UpdateChannel(0, 5, 0, at, at));
  EXPECT_FALSE(EndChannelLoop(-1, 5, 0));
  EXPECT_TRUE(UpdateChannel(4, 5, 0, at, at));  // an explicit number: nothing to do, no call
  EXPECT_FALSE(UpdateChannel(201, 5, 0, at, at));
  EXPECT_FALSE(EndChannelLoop(201, 5, 0));
  SoundChannels[4].Started = 1;
  SoundChannels[4].OwnerA = 5;
  ReleaseChannel(4);
  EXPECT_EQ(SoundChannels[4].Started, 1);
  StartChannel(4, false);
  StartChannel(0, false);
  StartChannel(201, false);
  ReleaseChannel(201);
}

}  // namespace
