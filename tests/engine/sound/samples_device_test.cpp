// The sound layer on a real device: OpenAL's wave back end, which writes what it plays into a
// file, configured through ALSOFT_CONF before the device opens.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "tests/support/test_support.h"
#include "tests/support/wave_backend.h"

using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

using wave_backend::Backend;
using wave_backend::Sine16;

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}
uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

// The first channel of the file the wave back end wrote, as floats; its rate in rate.
std::vector<float> ReadOutput(const std::string& file, uint32_t& rate) {
  std::vector<float> out;
  if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0) return out;
  uint16_t tag = 0, channels = 0, bits = 0;
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const std::string id = file.substr(pos, 4);
    uint32_t size = U32(file, pos + 4);
    const size_t body = pos + 8;
    if (id == "fmt ") {
      tag = U16(file, body);
      channels = U16(file, body + 2);
      rate = U32(file, body + 4);
      bits = U16(file, body + 14);
      if (tag == 0xFFFE) tag = U16(file, body + 24);  // the sub-format
    } else if (id == "data") {
      if (size == 0 || body + size > file.size()) size = static_cast<uint32_t>(file.size() - body);
      const size_t frame = channels * (bits / 8u);
      for (size_t at = body; frame && at + frame <= body + size; at += frame) {
        if (tag == 3 && bits == 32) {
          uint32_t raw = U32(file, at);
          float f;
          std::memcpy(&f, &raw, 4);
          out.push_back(f);
        } else if (tag == 1 && bits == 16) {
          out.push_back(static_cast<int16_t>(U16(file, at)) / 32768.0f);
        }
      }
      return out;
    }
    pos = body + size + (size & 1u);
  }
  return out;
}

struct Burst {
  size_t begin, end;  // samples
};

// Stretches of sound between silences of at least 20 ms.
std::vector<Burst> FindBursts(const std::vector<float>& s, uint32_t rate) {
  std::vector<Burst> bursts;
  const size_t gap = rate / 50;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::fabs(s[i]) < 1e-6f) ++i;
    if (i == s.size()) break;
    size_t begin = i, last = i, quiet = 0;
    for (; i < s.size() && quiet < gap; ++i) {
      if (std::fabs(s[i]) >= 1e-6f) {
        last = i;
        quiet = 0;
      } else {
        ++quiet;
      }
    }
    bursts.push_back({begin, last + 1});
  }
  return bursts;
}

// Root mean square over the middle half of a burst.
double MiddleRms(const std::vector<float>& s, const Burst& b) {
  const size_t len = b.end - b.begin;
  double sum = 0;
  size_t n = 0;
  for (size_t i = b.begin + len / 4; i < b.end - len / 4; ++i, ++n) sum += static_cast<double>(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

// Upward zero crossings per second over the middle half of a burst.
double MiddleFrequency(const std::vector<float>& s, const Burst& b, uint32_t rate) {
  const size_t len = b.end - b.begin;
  size_t crossings = 0;
  for (size_t i = b.begin + len / 4 + 1; i < b.end - len / 4; ++i)
    if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
  return crossings * static_cast<double>(rate) / static_cast<double>(len - 2 * (len / 4));
}

class SoundDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    InitQzSound();
    ResetWorldState();
    oldDir_ = platform::CurrentDir();
    root_ = MakeTempFolder("sfxdev");
    std::filesystem::create_directories(root_ + "sfx");
    ASSERT_EQ(chdir(root_.c_str()), 0);
    ASSERT_TRUE(OpenSoundSystem()) << "the wave back end did not open";
    platform::SoundSetDistanceModel(platform::SoundDistanceModel::None);
  }
  void TearDown() override {
    InitQzSound();
    platform::SoundSetDistanceModel(platform::SoundDistanceModel::InverseClamped);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
    ResetWorldState();
  }
  // Services the channels until the channel is released (its sound ended), at most 5 seconds.
  static bool PlayOut(int32_t channel) {
    for (int i = 0; i < 500; ++i) {
      ServiceSoundChannels();
      if (!SoundChannels[channel].Started && !SoundChannels[channel].Prepared) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  std::string oldDir_, root_;
};

TEST_F(SoundDevice, ToneAtTwoThousandUnitsIsTwentyFiveDecibelsBelowTheToneAtTheListener) {
  WriteFileBytes(root_ + "sfx/tone.wav", MakeWaveFile(1, 22050, 16, Sine16(441.0, 22050, 0.4, 0.5)));
  RegisterSample(1, "tone.wav", 0, 0, false);
  const TVector listener{300, 20, -500};
  SetSoundListener(listener, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  CommitSoundSettings();
  const TVector still{0, 0, 0};
  const TVector far{listener.x, listener.y, listener.z + 2000};

  int32_t ch = PrepareChannel(1, 0, 1, 0, listener, still, 1.0f, false);
  ASSERT_GE(ch, 1);
  ASSERT_TRUE(PlayOut(ch));
  Pause(100);
  ASSERT_EQ(PlayVolume(far, 0), -2500);
  ch = PrepareChannel(1, 0, 1, 0, far, still, 1.0f, false);
  ASSERT_GE(ch, 1);
  ASSERT_TRUE(PlayOut(ch));
  Pause(100);
  // The same tone at twice its rate: an octave up, in half the time.
  ch = PrepareChannel(1, 0, 1, 0, listener, still, 2.0f, false);
  ASSERT_GE(ch, 1);
  ASSERT_TRUE(PlayOut(ch));
  Pause(100);
  CloseSoundSystem();

  uint32_t rate = 0;
  const std::vector<float> out = ReadOutput(ReadFileBytes(Backend().output), rate);
  ASSERT_EQ(rate, 44100u);
  const std::vector<Burst> bursts = FindBursts(out, rate);
  ASSERT_EQ(bursts.size(), 3u);
  const double nearRms = MiddleRms(out, bursts[0]);
  const double farRms = MiddleRms(out, bursts[1]);
  EXPECT_NEAR(nearRms, 0.5 / std::sqrt(2.0), 0.05);
  EXPECT_NEAR(20 * std::log10(farRms / nearRms), -25.0, 1.0);

  const double len0 = static_cast<double>(bursts[0].end - bursts[0].begin);
  const double len2 = static_cast<double>(bursts[2].end - bursts[2].begin);
  EXPECT_NEAR(len0 / rate, 0.4 - 40 / 44100.0, 0.01);
  EXPECT_NEAR(len2 / len0, 0.5, 0.03);
  EXPECT_NEAR(MiddleFrequency(out, bursts[0], rate), 441.0, 10.0);
  EXPECT_NEAR(MiddleFrequency(out, bursts[2], rate), 882.0, 15.0);
}

// A two-part sample: 100 ms of silence, then a loop part and an ending part of 8,820 bytes each
// (200 ms of 16-bit sound at 22,050 Hz each).
class TwoPartSample : public SoundDevice {
 protected:
  void SetUp() override {
    SoundDevice::SetUp();
    WriteFileBytes(root_ + "sfx/engine.wav",
                   MakeWaveFile(1, 22050, 16, Sine16(300, 22050, 0.2, 0.3) + Sine16(150, 22050, 0.2, 0.3) +
                                                  std::string(40, '\0')));
    RegisterSample(4, "engine.wav", 100, 0, true);
  }
  static constexpr uint32_t kSilence = 4410, kHalf = 8820;
};

TEST_F(TwoPartSample, EndingTheLoopPartWayGoesToTheSameShareOfTheEndingPart) {
  const TVector at{0, 0, 0};
  const int32_t ch = PrepareChannel(7, 0, 4, 0, at, at, 1.0f, true);
  ASSERT_GE(ch, 1);
  EXPECT_EQ(SoundSamples[4].BufferBytes, kSilence + 2 * kHalf);
  TQzsChannel& c = SoundChannels[ch];
  struct Case {
    uint32_t from, to;
    uint8_t firstPartAfter;
  };
  const Case cases[] = {
      {kSilence + kHalf * 3 / 10, kSilence + kHalf * 3 / 10 + kHalf, 0},  // 30% into the loop part
      {kSilence, kSilence + kHalf, 0},                                    // its first byte
      {kSilence + kHalf - 2, kSilence + 2 * kHalf - 2, 0},                // its last frame
      {100, kSilence + kHalf, 0},                                          // still in the silence
      {kSilence + kHalf + 200, kSilence + kHalf + 200, 1},                 // already in the ending part
  };
  for (const Case& k : cases) {
    c.FirstPart = 1;
    SeekChannel(c, k.from);
    ASSERT_EQ(platform::SoundGetPosition(c.Voice), k.from);
    EXPECT_TRUE(EndChannelLoop(ch, 0, 0));
    EXPECT_EQ(platform::SoundGetPosition(c.Voice), k.to) << k.from;
    EXPECT_EQ(c.PlayPosition, k.to);
    EXPECT_EQ(c.FirstPart, k.firstPartAfter) << k.from;
  }
  // Found by its owners too.
  SeekChannel(c, kSilence + 1000);
  EXPECT_TRUE(EndChannelLoop(0, 7, 0));
  EXPECT_EQ(platform::SoundGetPosition(c.Voice), kSilence + 1000 + kHalf);
  EXPECT_FALSE(EndChannelLoop(0, 8, 0));
}

TEST_F(TwoPartSample, EndingThePlayingLoopPartJumpsAhead) {
  const TVector at{0, 0, 0};
  const int32_t ch = PrepareChannel(7, 0, 4, 0, at, at, 1.0f, true);
  ASSERT_GE(ch, 1);
  StartChannel(ch, false);
  TQzsChannel& c = SoundChannels[ch];
  EXPECT_EQ(c.FirstPart, 1);
  const uint32_t from = kSilence + kHalf * 3 / 10;
  SeekChannel(c, from);
  ASSERT_TRUE(EndChannelLoop(ch, 0, 0));
  const uint32_t p = platform::SoundGetPosition(c.Voice);
  EXPECT_GE(p, from + kHalf);
  EXPECT_LT(p, from + kHalf + kHalf / 2);  // within 100 ms of where it was put
  EXPECT_EQ(c.FirstPart, 0);
}

TEST_F(SoundDevice, StartingSkipsTheLeadingSilenceUnlessFromTheStart) {
  WriteFileBytes(root_ + "sfx/click.wav", MakeWaveFile(1, 22050, 8, std::string(22050, '\x90')));
  RegisterSample(2, "click.wav", 500, 0, false);  // 11,025 bytes of silence
  const TVector at{0, 0, 0};
  int32_t ch = PrepareChannel(1, 1, 2, 0, at, at, 1.0f, false);
  ASSERT_GE(ch, 1);
  StartChannel(ch, false);
  EXPECT_GE(platform::SoundGetPosition(SoundChannels[ch].Voice), 11025u);
  EXPECT_EQ(SoundChannels[ch].PlayPosition, 11025u);
  EXPECT_EQ(SoundChannels[ch].Started, 1);
  EXPECT_EQ(SoundChannels[ch].Prepared, 0);
  ReleaseChannel(ch);
  EXPECT_EQ(SoundChannels[ch].Voice, 0u);
  EXPECT_EQ(SoundChannels[ch].OwnerA, 0u);

  ch = PrepareChannel(1, 1, 2, 0, at, at, 1.0f, false);
  StartChannel(ch, true);
  EXPECT_LT(platform::SoundGetPosition(SoundChannels[ch].Voice), 11025u);
}

TEST_F(SoundDevice, ChannelsKeepTheirPlaceInDeviceUnits) {
  WriteFileBytes(root_ + "sfx/beep.wav", MakeWaveFile(1, 22050, 8, std::string(2000, '\x90')));
  RegisterSample(6, "beep.wav", 0, 0, false);
  const int32_t ch = PrepareChannel(4, 2, 6, -100, TVector{100, 0, -200}, TVector{10, 20, 0}, 1.0f, false);
  ASSERT_GE(ch, 1);
  const TQzsChannel& c = SoundChannels[ch];
  EXPECT_FLOAT_EQ(c.Position.x, 3.0f);
  EXPECT_FLOAT_EQ(c.Position.z, -6.0f);
  EXPECT_FLOAT_EQ(c.Velocity.y, 0.6f);
  EXPECT_EQ(c.BaseVolume, -100);
  EXPECT_EQ(c.SampleNo, 6);
  EXPECT_EQ(c.Has3D, 1);
  ASSERT_TRUE(UpdateChannel(0, 4, 2, TVector{-1000, 50, 0}, TVector{0, 0, 0}));
  EXPECT_FLOAT_EQ(c.Position.x, -30.0f);
  EXPECT_FLOAT_EQ(c.Position.y, 1.5f);
  EXPECT_FALSE(UpdateChannel(0, 4, 3, TVector{0, 0, 0}, TVector{0, 0, 0}));
}

TEST_F(SoundDevice, EndingTheLoopOfAPlainSampleLetsItPlayOutAndStop) {
  WriteFileBytes(root_ + "sfx/hum.wav", MakeWaveFile(1, 22050, 16, Sine16(200, 22050, 0.1, 0.3)));
  RegisterSample(3, "hum.wav", 0, 0, false);
  const TVector at{0, 0, 0};
  const int32_t ch = PrepareChannel(2, 0, 3, 0, at, at, 1.0f, true);
  ASSERT_GE(ch, 1);
  StartChannel(ch, false);
  Pause(300);  // longer than the sample: it loops
  ServiceSoundChannels();
  ASSERT_EQ(SoundChannels[ch].Started, 1);
  ASSERT_TRUE(platform::SoundIsPlaying(SoundChannels[ch].Voice));
  ASSERT_TRUE(EndChannelLoop(0, 2, 0));
  // Still sounding right after: it was not stopped.
  EXPECT_TRUE(platform::SoundIsPlaying(SoundChannels[ch].Voice));
  EXPECT_TRUE(PlayOut(ch));
}

TEST_F(SoundDevice, AReloadedSampleKeepsItsOldBufferForTheChannelsThatPlayIt) {
  WriteFileBytes(root_ + "sfx/horn.wav", MakeWaveFile(1, 22050, 8, std::string(4000, '\x70')));
  RegisterSample(9, "horn.wav", 0, 0, false);
  const TVector at{0, 0, 0};
  const int32_t first = PrepareChannel(1, 0, 9, 0, at, at, 1.0f, true);
  ASSERT_GE(first, 1);
  StartChannel(first, true);
  const uint32_t oldBuffer = SoundSamples[9].Buffer;
  SoundSamples[9].Reload = 1;
  const int32_t second = PrepareChannel(1, 0, 9, 0, at, at, 1.0f, false);
  ASSERT_GE(second, 1);
  EXPECT_NE(SoundSamples[9].Buffer, oldBuffer);
  EXPECT_TRUE(platform::SoundIsPlaying(SoundChannels[first].Voice));
  // The old buffer can no longer be played anew.
  EXPECT_EQ(platform::SoundCreateVoice(oldBuffer), 0u);
  EXPECT_EQ(FindChannel(1, 0), second);
}

}  // namespace
