#include "engine/sound/samples.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "platform/platform.h"
#include "platform/sound.h"

TSoundSystem SoundSystem;
TQzsSample SoundSamples[kSoundSampleCount + 1];
TQzsChannel SoundChannels[kSoundChannelCount + 1];
int32_t MaxSoundChannel = 0;
uint8_t UseVehicleVolume = 0;

namespace {

// A sample buffer larger than this is refused (the table's byte counts are 32-bit).
constexpr uint64_t kMaxSampleBytes = 256u << 20;

constexpr int kOptionSound = 17;
constexpr int kOptionVehicleVolume1 = 18;
constexpr int kOptionVehicleVolume2 = 20;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

bool ValidSample(int32_t n) { return n >= 1 && n <= kSoundSampleCount; }
bool ValidChannel(int32_t n) { return n >= 1 && n <= kSoundChannelCount; }

// Squared distance to the listener, as a 32-bit float.
float ListenerDistanceSquared(const TVector& p) {
  const TVector& l = SoundSystem.ListenerPosition;
  const long double dx = static_cast<long double>(p.x) - l.x;
  const long double dy = static_cast<long double>(p.y) - l.y;
  const long double dz = static_cast<long double>(p.z) - l.z;
  return static_cast<float>(dx * dx + dy * dy + dz * dz);
}

// Beyond hearing; a position that is no number is never heard either.
bool OutOfHearing(float d2) { return !(d2 <= kHearingDistanceSquared); }

// World units to device units, computed in extended precision and stored as floats.
float Scale(float v) { return static_cast<float>(v * kSoundPlaceScale); }
TVector ScaledVector(const TVector& v) { return {Scale(v.x), Scale(v.y), Scale(v.z)}; }
platform::SoundVector Scaled(const TVector& v) { return {Scale(v.x), Scale(v.y), Scale(v.z)}; }

uint32_t SampleSilenceBytes(const TQzsSample& s) { return SilenceBytes(s.Silence, s.BytesPerSecond, s.BlockAlign); }

void ClearFormat(TQzsSample& s) {
  s.BytesPerSecond = 0;
  s.SampleRate = 0;
  s.Bits = 0;
  s.Channels = 0;
  s.BufferBytes = 0;
  s.Duration = 0;
  s.BlockAlign = 0;
}

void ReleaseSampleBuffer(TQzsSample& s) {
  if (s.Buffer) platform::SoundDeleteBuffer(s.Buffer);
  s.Buffer = 0;
}

// Reads the whole file through the repository layer; empty when it cannot be read.
std::vector<uint8_t> ReadRepositoryFile(const std::string& name, bool& tooLarge) {
  std::vector<uint8_t> bytes;
  tooLarge = false;
  TRepositoryFile f;
  xAssign(f, name);
  if (f.Opened != 1) return bytes;
  xReset(f, 1);
  const int32_t size = xFileSize(f);
  if (size > 0 && static_cast<uint64_t>(size) > kMaxSampleBytes) {
    tooLarge = true;
  } else if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    size_t got = 0;
    while (got < bytes.size()) {
      const int32_t n = xBlockRead(f, bytes.data() + got, static_cast<int32_t>(bytes.size() - got));
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  xClose(f);
  return bytes;
}

}  // namespace

// ---- Wave files ----

bool ReadWaveHeader(const uint8_t* bytes, size_t size, TWaveInfo& info, std::string& error) {
  info = TWaveInfo{};
  if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    error = "not a RIFF WAVE file";
    return false;
  }
  bool haveFormat = false, haveData = false;
  size_t pos = 12;
  while (pos + 8 <= size && !(haveFormat && haveData)) {
    const uint8_t* chunk = bytes + pos;
    const uint32_t chunkSize = ReadU32(chunk + 4);
    const size_t body = pos + 8;
    const size_t inFile = std::min<size_t>(chunkSize, size - body);
    if (!haveFormat && std::memcmp(chunk, "fmt ", 4) == 0) {
      if (inFile < 16) {
        error = "format chunk too short";
        return false;
      }
      const uint8_t* f = bytes + body;
      info.FormatTag = ReadU16(f);
      info.Channels = ReadU16(f + 2);
      info.SampleRate = ReadU32(f + 4);
      info.Bits = ReadU16(f + 14);
      // The extensible format is PCM when its sub-format's first word is 1.
      if (info.FormatTag == 0xFFFE && inFile >= 40 && ReadU16(f + 24) == 1) info.FormatTag = 1;
      haveFormat = true;
    } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
      info.DataOffset = static_cast<uint32_t>(body);
      info.DataLength = static_cast<uint32_t>(inFile);
      haveData = true;
    }
    // Chunks are padded to an even size.
    const uint64_t next = static_cast<uint64_t>(body) + chunkSize + (chunkSize & 1u);
    if (next > size) break;
    pos = static_cast<size_t>(next);
  }
  if (!haveFormat) {
    error = "no format chunk";
    return false;
  }
  if (!haveData) {
    error = "no data chunk";
    return false;
  }
  if (info.FormatTag != 1) {
    error = "not PCM (format " + std::to_string(info.FormatTag) + ")";
    return false;
  }
  if (info.Channels < 1 || info.Channels > 2) {
    error = std::to_string(info.Channels) + " channels (1 or 2 are played)";
    return false;
  }
  if (info.Bits != 8 && info.Bits != 16) {
    error = std::to_string(info.Bits) + " bits per sample (8 or 16 are played)";
    return false;
  }
  if (info.SampleRate < 1 || info.SampleRate > 65535) {
    error = "sample rate " + std::to_string(info.SampleRate) + " out of range";
    return false;
  }
  if (info.DataLength < kDroppedWaveTail) {
    error = "only " + std::to_string(info.DataLength) + " data bytes (" + std::to_string(kDroppedWaveTail) +
            " or more needed)";
    return false;
  }
  return true;
}

uint32_t SilenceBytes(int32_t silenceMs, uint32_t bytesPerSecond, uint16_t blockAlign) {
  if (silenceMs <= 0 || bytesPerSecond == 0) return 0;
  uint64_t n = static_cast<uint64_t>(silenceMs) * bytesPerSecond / 1000;
  if (blockAlign > 1) n -= n % blockAlign;  // the device takes whole frames
  return static_cast<uint32_t>(std::min<uint64_t>(n, UINT32_MAX));
}

std::vector<uint8_t> MakeSampleBuffer(const uint8_t* fileBytes, const TWaveInfo& info, int32_t silenceMs) {
  const uint32_t bytesPerSecond = (info.SampleRate * info.Bits * info.Channels) >> 3;
  const uint16_t blockAlign = static_cast<uint16_t>(info.Channels * (info.Bits / 8));
  const uint32_t silence = SilenceBytes(silenceMs, bytesPerSecond, blockAlign);
  const uint32_t sound = info.DataLength >= kDroppedWaveTail ? info.DataLength - kDroppedWaveTail : 0;
  if (static_cast<uint64_t>(silence) + sound > kMaxSampleBytes) return {};
  std::vector<uint8_t> buffer(static_cast<size_t>(silence) + sound);
  // Silence is the middle value: 128 in unsigned 8-bit samples, 0 in signed 16-bit ones.
  std::fill(buffer.begin(), buffer.begin() + silence, info.Bits == 8 ? 128 : 0);
  if (sound) std::memcpy(buffer.data() + silence, fileBytes + info.DataOffset, sound);
  return buffer;
}

std::string MakeWaveFile(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
  const uint16_t blockAlign = static_cast<uint16_t>(channels * (bits / 8));
  std::string s = "RIFF";
  PutU32(s, static_cast<uint32_t>(36 + data.size()));
  s += "WAVEfmt ";
  PutU32(s, 16);
  PutU16(s, 1);
  PutU16(s, channels);
  PutU32(s, rate);
  PutU32(s, rate * blockAlign);
  PutU16(s, blockAlign);
  PutU16(s, bits);
  s += "data";
  PutU32(s, static_cast<uint32_t>(data.size()));
  s += data;
  return s;
}

// ---- Samples ----

void TQzsSample::LoadFromFile(const std::string& name) {
  if (!SoundSystem.Enabled) return;
  const std::string fileName = "sfx\\" + name;
  const std::string where = "TQZSSample.LoadFromFile(" + name + "): ";
  Name = name;
  Reload = 0;
  Loaded = 1;
  ReleaseSampleBuffer(*this);

  std::string error;
  TWaveInfo info{};
  std::vector<uint8_t> file;
  if (!xFileExists(fileName)) {
    SYS_Warning(where + "FILE NOT FOUND!");
    error = "missing";
  } else {
    bool tooLarge = false;
    file = ReadRepositoryFile(fileName, tooLarge);
    if (tooLarge) {
      error = "file too large";
    } else {
      ReadWaveHeader(file.data(), file.size(), info, error);
    }
    if (!error.empty()) SYS_Warning(where + "UNUSABLE WAVE FILE: " + error);
  }
  if (error.empty()) {
    SampleRate = static_cast<uint16_t>(info.SampleRate);
    Bits = static_cast<uint8_t>(info.Bits);
    Channels = static_cast<uint8_t>(info.Channels);
    BytesPerSecond = (static_cast<uint32_t>(SampleRate) * Bits * Channels) >> 3;
    BlockAlign = static_cast<uint16_t>(Channels * (Bits / 8));
    std::vector<uint8_t> buffer = MakeSampleBuffer(file.data(), info, Silence);
    if (buffer.empty()) {
      SYS_Warning(where + "UNUSABLE WAVE FILE: buffer too large");
      error = "too large";
    } else {
      BufferBytes = static_cast<uint32_t>(buffer.size());
      Duration = static_cast<uint32_t>(static_cast<uint64_t>(BufferBytes) * 1000 / BytesPerSecond);
      // A buffer the device refuses leaves the sample without one; it is tried again when used.
      Buffer = platform::SoundCreateBuffer(buffer.data(), BufferBytes, Channels, Bits, SampleRate);
    }
  }
  if (!error.empty()) {
    Loaded = 0;
    ClearFormat(*this);
  }
  if (NextSilence != 0) Silence = NextSilence;
}

void EnsureSampleLoaded(int32_t sampleNo) {
  if (!SoundSystem.Enabled || !ValidSample(sampleNo)) return;
  TQzsSample& s = SoundSamples[sampleNo];
  if (!s.Loaded) return;
  // Device buffers are never lost; only a reload mark or a missing buffer loads again.
  if (s.Reload == 0 && s.Buffer != 0) return;
  s.LoadFromFile(s.Name.str());
}

// ---- Channels ----

int32_t PlayVolume(const TVector& position, int32_t baseVolume) {
  const float d2 = ListenerDistanceSquared(position);
  if (!(d2 <= kHearingDistanceSquared && d2 >= -kHearingDistanceSquared)) return -10000;
  int64_t v = static_cast<int64_t>(
      std::nearbyint(static_cast<long double>(baseVolume) - d2 / 1.6e7L * 10000.0L));
  if (UseVehicleVolume) {
    v -= 19 * (255 - static_cast<int64_t>(GameOptions[kOptionVehicleVolume1]));
    v -= 19 * (255 - static_cast<int64_t>(GameOptions[kOptionVehicleVolume2]));
  }
  return static_cast<int32_t>(std::clamp<int64_t>(v, -10000, 0));
}

int32_t FindFreeChannel() {
  for (int32_t i = 1; i <= kSoundChannelCount; ++i) {
    if (SoundChannels[i].Prepared || SoundChannels[i].Started) continue;
    if (i > MaxSoundChannel) MaxSoundChannel = i;
    return i;
  }
  return -1;
}

int32_t FindChannel(uint32_t ownerA, uint32_t ownerB) {
  int32_t found = 0;
  uint32_t newest = 0;
  for (int32_t i = 1; i <= kSoundChannelCount; ++i) {
    const TQzsChannel& c = SoundChannels[i];
    if (!(c.Prepared || c.Started) || c.OwnerA != ownerA || c.OwnerB != ownerB) continue;
    if (found == 0 || c.StartTick >= newest) {
      found = i;
      newest = c.StartTick;
    }
  }
  return found;
}

int32_t PrepareChannel(uint32_t ownerA, uint32_t ownerB, int32_t sampleNo, int32_t baseVolume,
                       const TVector& position, const TVector& velocity, float pitch, bool loop) {
  if (GameOptions[kOptionSound] == 0) return 0;
  if (!SoundSystem.Enabled || sampleNo == 0 || !ValidSample(sampleNo)) return 0;
  const int32_t ch = FindFreeChannel();
  if (ch == -1) return -1;
  if (OutOfHearing(ListenerDistanceSquared(position))) return -1;
  TQzsChannel& c = SoundChannels[ch];
  c.OwnerA = ownerA;
  c.OwnerB = ownerB;
  EnsureSampleLoaded(sampleNo);
  TQzsSample& s = SoundSamples[sampleNo];
  if (!s.Loaded) return -4;
  s.LastUse = GameTime;
  if (c.Voice) platform::SoundDeleteVoice(c.Voice);
  c.Voice = platform::SoundCreateVoice(s.Buffer);
  if (!c.Voice) return -2;
  c.BaseVolume = baseVolume;
  platform::SoundSetVolume(c.Voice, PlayVolume(position, baseVolume));
  c.SampleNo = sampleNo;
  c.Sample = &s;
  const long double hz = std::nearbyint(static_cast<long double>(s.SampleRate) * pitch);
  c.Frequency = 0;
  if (hz >= 0 && hz <= UINT32_MAX) {
    c.Frequency = static_cast<uint32_t>(hz);
    platform::SoundSetFrequency(c.Voice, c.Frequency);
  }
  c.Position = ScaledVector(position);
  c.Velocity = ScaledVector(velocity);
  platform::SoundPlaceVoice(c.Voice, Scaled(position), Scaled(velocity));
  c.Prepared = 1;
  c.Has3D = 1;
  c.Loop = loop ? 1 : 0;
  c.StartTick = platform::Ticks();
  return ch;
}

void SeekChannel(TQzsChannel& channel, uint32_t position) {
  channel.PlayPosition = position;
  channel.StartTick = platform::Ticks();
  platform::SoundSetPosition(channel.Voice, position);
}

void StartChannel(int32_t channel, bool fromStart) {
  if (!ValidChannel(channel)) return;
  TQzsChannel& c = SoundChannels[channel];
  if (!c.Prepared || !c.Voice || !c.Sample) return;
  // The seek comes first so that the voice starts where it should.
  if (!fromStart && c.Sample->Silence != 0) SeekChannel(c, SampleSilenceBytes(*c.Sample));
  platform::SoundPlay(c.Voice, c.Loop != 0);
  c.Prepared = 0;
  c.Started = 1;
  c.FirstPart = c.Sample->TwoPart;
}

bool UpdateChannel(int32_t channel, uint32_t ownerA, uint32_t ownerB, const TVector& position,
                   const TVector& velocity) {
  if (channel < 1) channel = FindChannel(ownerA, ownerB);
  if (channel == 0 || !ValidChannel(channel)) return false;
  TQzsChannel& c = SoundChannels[channel];
  if (c.Has3D && c.Voice) {
    c.Position = ScaledVector(position);
    c.Velocity = ScaledVector(velocity);
    platform::SoundPlaceVoice(c.Voice, Scaled(position), Scaled(velocity));
    platform::SoundSetVolume(c.Voice, PlayVolume(position, c.BaseVolume));
  }
  return true;
}

bool EndChannelLoop(int32_t channel, uint32_t ownerA, uint32_t ownerB) {
  if (channel < 1) channel = FindChannel(ownerA, ownerB);
  if (channel == 0 || !ValidChannel(channel)) return false;
  TQzsChannel& c = SoundChannels[channel];
  if (!c.Voice || !c.Sample) return true;
  const TQzsSample& s = *c.Sample;
  if (!s.TwoPart) {
    // It plays on from where it is to its end and stops there.
    platform::SoundSetLooping(c.Voice, false);
    return true;
  }
  const uint32_t silence = SampleSilenceBytes(s);
  const uint32_t half = s.BufferBytes > silence ? (s.BufferBytes - silence) / 2 : 0;
  const uint32_t p = platform::SoundGetPosition(c.Voice);
  if (p < silence) {
    SeekChannel(c, silence + half);
    c.FirstPart = 0;
  } else if (p - silence < half) {
    SeekChannel(c, p + half);
    c.FirstPart = 0;
  }
  return true;
}

void ReleaseChannel(int32_t channel) {
  if (!SoundSystem.Enabled || !ValidChannel(channel)) return;
  TQzsChannel& c = SoundChannels[channel];
  if (c.Voice) {
    platform::SoundStop(c.Voice);
    platform::SoundDeleteVoice(c.Voice);
  }
  c.Voice = 0;
  c.Has3D = 0;
  c.Started = 0;
  c.Prepared = 0;
  c.OwnerA = 0;
}

void SetChannelFrequency(int32_t channel, uint32_t hz) {
  if (!ValidChannel(channel)) return;
  TQzsChannel& c = SoundChannels[channel];
  c.Frequency = hz;
  if (c.Voice) platform::SoundSetFrequency(c.Voice, hz);
}

uint32_t ChannelPlayCursor(int32_t channel) {
  if (!ValidChannel(channel) || !SoundChannels[channel].Voice) return 0;
  return platform::SoundGetPosition(SoundChannels[channel].Voice);
}

// ---- The device side ----

bool OpenSoundSystem() {
  if (SoundSystem.Enabled) return true;
  if (!platform::SoundOpen()) return false;
  static bool closeAtExit = false;
  if (!closeAtExit) {
    std::atexit(CloseSoundSystem);
    closeAtExit = true;
  }
  SoundSystem.Enabled = 1;
  SetSoundListener(SoundSystem.ListenerPosition, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  return true;
}

void CloseSoundSystem() {
  if (!SoundSystem.Enabled) return;
  for (int32_t i = 1; i <= kSoundChannelCount; ++i) ReleaseChannel(i);
  for (int32_t i = 1; i <= kSoundSampleCount; ++i) ReleaseSampleBuffer(SoundSamples[i]);
  platform::SoundClose();
  SoundSystem.Enabled = 0;
}

bool RegisterSample(int32_t sampleNo, const std::string& name, int32_t silence, int32_t nextSilence, bool twoPart) {
  if (!ValidSample(sampleNo)) return false;
  TQzsSample& s = SoundSamples[sampleNo];
  s.Name = name;
  s.Silence = silence;
  s.NextSilence = nextSilence;
  s.TwoPart = twoPart ? 1 : 0;
  s.Loaded = 1;
  s.Reload = 1;
  return true;
}

void SetSoundListener(const TVector& position, const TVector& velocity, const TVector& front, const TVector& top) {
  SoundSystem.ListenerPosition = position;
  platform::SoundPlaceListener(Scaled(position), Scaled(velocity), {front.x, front.y, front.z}, {top.x, top.y, top.z});
}

void CommitSoundSettings() {
  if (SoundSystem.Enabled) platform::SoundCommit();
}

void ServiceSoundChannels() {
  if (!SoundSystem.Enabled) return;
  for (int32_t i = 1; i <= MaxSoundChannel; ++i) {
    const TQzsChannel& c = SoundChannels[i];
    if (c.Started && !platform::SoundIsPlaying(c.Voice)) ReleaseChannel(i);
  }
  CommitSoundSettings();
  for (int32_t i = 1; i <= MaxSoundChannel; ++i)
    if (SoundChannels[i].Prepared) StartChannel(i, false);
}

void InitQzSound() {
  CloseSoundSystem();
  SoundSystem = TSoundSystem{};
  for (TQzsSample& s : SoundSamples) s = TQzsSample{};
  for (TQzsChannel& c : SoundChannels) c = TQzsChannel{};
  MaxSoundChannel = 0;
  UseVehicleVolume = 0;
}
