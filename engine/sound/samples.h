// Sound samples and channels: up to 1,000 samples (PCM WAV files from sfx\), each loaded once
// into a device buffer, and up to 200 channels, each a voice on a sample's buffer with its own
// place in 3D, frequency and volume. A channel belongs to an owner pair (an object number and a
// key chosen by the caller), so a caller finds, moves and stops its sound without keeping channel
// numbers. While the device is not open (SoundSystem.Enabled 0) nothing sounds and the routines
// return at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"

constexpr int kSoundSampleCount = 1000;   // samples 1..1000; 0 means none
constexpr int kSoundChannelCount = 200;   // channels 1..200
constexpr uint32_t kDroppedWaveTail = 40; // the last bytes of a sample's data are not played
constexpr long double kSoundPlaceScale = 0.03L;  // world units to device units
constexpr float kHearingDistanceSquared = 1.6e7f;  // 4,000 world units

struct TSoundSystem {
  uint8_t Enabled;          // the device is open; every routine that would touch it waits for this
  TVector ListenerPosition; // world units
};

struct TQzsSample {
  uint32_t LastUse;         // GameTime when a channel was last prepared with it
  uint32_t Buffer;          // the device buffer holding the leading silence and the sound (0 none)
  ShortString<40> Name;     // file name inside the sfx folder
  uint8_t Reload;           // nonzero: EnsureSampleLoaded loads the file again
  uint8_t Loaded;           // 0: never loaded or played
  uint8_t TwoPart;          // the sound is two halves of equal length: a loop part and an ending part
  int32_t Silence;          // leading silence in milliseconds
  int32_t NextSilence;      // when nonzero, it becomes the silence after every load
  uint32_t BytesPerSecond;
  uint16_t SampleRate;
  uint8_t Bits;
  uint8_t Channels;         // 1 mono, 2 stereo
  uint32_t BufferBytes;     // silence bytes + sound bytes
  uint32_t Duration;        // milliseconds
  uint16_t BlockAlign;      // bytes of one frame

  // Loads sfx\ + name into the sample's buffer (nothing while the device is closed). A missing or
  // unusable file warns and leaves the sample unloaded.
  void LoadFromFile(const std::string& name);
};

struct TQzsChannel {
  uint32_t StartTick;       // ticks when prepared, and again at every seek
  uint32_t OwnerA;          // object number given by the caller
  uint32_t OwnerB;          // key given by the caller
  uint32_t Voice;           // the device voice on the sample's buffer (0 none)
  uint8_t Loop;
  uint8_t Prepared;         // set up, not yet started
  uint8_t Started;          // started (playing or played out)
  int32_t SampleNo;
  TQzsSample* Sample;
  uint8_t Has3D;            // the voice is placed in 3D
  int32_t BaseVolume;       // at the listener, in hundredths of a decibel (0 full, -10,000 silent)
  uint32_t PlayPosition;    // byte position of the last seek
  uint8_t FirstPart;        // still in the loop part of a two-part sample
  TVector Position;         // world position x 0.03
  TVector Velocity;         // world velocity x 0.03
  uint32_t Frequency;       // the playback rate last set with SetChannelFrequency (0 the sample's own)
};

extern TSoundSystem SoundSystem;
extern TQzsSample SoundSamples[kSoundSampleCount + 1];     // 1..1000
extern TQzsChannel SoundChannels[kSoundChannelCount + 1];  // 1..200
extern int32_t MaxSoundChannel;   // the highest channel FindFreeChannel has returned
extern uint8_t UseVehicleVolume;  // while set, PlayVolume applies the two vehicle volume options

// Loads a sample again when it is marked for reload or has no buffer.
void EnsureSampleLoaded(int32_t sampleNo);
// The volume of a sound at Position: -10,000..0, falling with the squared distance to the
// listener and silent from 4,000 units on.
int32_t PlayVolume(const TVector& position, int32_t baseVolume);
// Sets up a free channel for the owner pair. Returns the channel 1..200, or: 0 sound off, device
// closed or no sample; -1 no free channel or too far away; -2 the voice could not be made; -4 the
// sample is not loaded.
int32_t PrepareChannel(uint32_t ownerA, uint32_t ownerB, int32_t sampleNo, int32_t baseVolume,
                       const TVector& position, const TVector& velocity, float pitch, bool loop);
// Plays a prepared channel; unless fromStart, the sample's leading silence is skipped.
void StartChannel(int32_t channel, bool fromStart);
void SeekChannel(TQzsChannel& channel, uint32_t position);
int32_t FindFreeChannel();
// The newest prepared or started channel of the pair (the largest start tick; of equal ticks the
// higher number), 0 if none.
int32_t FindChannel(uint32_t ownerA, uint32_t ownerB);
// A channel number below 1 is looked up by the owner pair; false when none is found.
bool UpdateChannel(int32_t channel, uint32_t ownerA, uint32_t ownerB, const TVector& position,
                   const TVector& velocity);
// Lets a looping sound end: it plays on to its end; a two-part sample goes over to its ending part
// at the same share of the part.
bool EndChannelLoop(int32_t channel, uint32_t ownerA, uint32_t ownerB);
void ReleaseChannel(int32_t channel);
// Sets the playback rate of a channel's voice (samples per second) and keeps it in the channel.
void SetChannelFrequency(int32_t channel, uint32_t hz);
// The byte position at which the channel's voice plays now (0 without a voice).
uint32_t ChannelPlayCursor(int32_t channel);

// The device side, which the game supplies around the routines above.
// Opens the device; false (and silence) when there is none.
bool OpenSoundSystem();
// Releases every channel and sample buffer and closes the device.
void CloseSoundSystem();
// Fills a row of the sample table; the file is loaded when a channel first needs it.
bool RegisterSample(int32_t sampleNo, const std::string& name, int32_t silence, int32_t nextSilence, bool twoPart);
// Moves the listener (world units); takes effect with the next CommitSoundSettings.
void SetSoundListener(const TVector& position, const TVector& velocity, const TVector& front, const TVector& top);
// Makes the places set since the last commit take effect at once. Once a frame.
void CommitSoundSettings();
// Once a frame: releases started channels whose sound has ended, commits, and starts the channels
// prepared since the last call.
void ServiceSoundChannels();

// The wave file layer, without the device.
struct TWaveInfo {
  uint16_t FormatTag;
  uint16_t Channels;
  uint32_t SampleRate;
  uint16_t Bits;
  uint32_t DataOffset;  // the first sound byte in the file
  uint32_t DataLength;  // the data chunk's size, cut to the bytes the file holds
};
// Walks the RIFF chunks (others than fmt and data are skipped). False with the reason in error
// when the file is no PCM WAV file of 1 or 2 channels, 8 or 16 bits, 1 to 65,535 samples per
// second and at least kDroppedWaveTail data bytes.
bool ReadWaveHeader(const uint8_t* bytes, size_t size, TWaveInfo& info, std::string& error);
// The bytes of the leading silence for a sample of that format, in whole frames.
uint32_t SilenceBytes(int32_t silenceMs, uint32_t bytesPerSecond, uint16_t blockAlign);
// The buffer a sample plays: the leading silence (128 for 8 bits, 0 for 16 bits), then the sound
// data without its last kDroppedWaveTail bytes.
std::vector<uint8_t> MakeSampleBuffer(const uint8_t* fileBytes, const TWaveInfo& info, int32_t silenceMs);
// A canonical PCM WAV file (44-byte header) around the given sound data.
std::string MakeWaveFile(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data);

// The unit start again, for tests: the device closed, every table and setting cleared.
void InitQzSound();
