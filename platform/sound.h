// The sound device: sample buffers and the voices that play them, placed in 3D around a listener.
// Runs on OpenAL. Nothing here sounds until SoundOpen succeeded; every call on a closed device or
// an unknown handle does nothing (and a query gives 0 or false).
//
// Vectors are given in the callers' left-handed frame (x right, y up, z ahead); OpenAL's frame is
// right-handed, so z changes sign on the way in.
#pragma once

#include <cstdint>

namespace platform {

struct SoundVector {
  float x, y, z;
};

// Opens the default output device. False when there is none (the program then stays silent).
bool SoundOpen();
// Deletes every voice and buffer left and closes the device.
void SoundClose();
bool SoundIsOpen();

// How the device itself lowers a voice with its distance from the listener. InverseClamped (the
// start value) halves the level with every doubling of the distance beyond 1 unit; None leaves the
// level to the voice's volume alone.
enum class SoundDistanceModel { InverseClamped, None };
void SoundSetDistanceModel(SoundDistanceModel model);

// A buffer of PCM sound: 8-bit unsigned or 16-bit signed little-endian samples, mono or stereo
// (stereo is played as it stands, without a place in 3D). Returns 0 when the device refuses it.
uint32_t SoundCreateBuffer(const void* data, uint32_t bytes, int channels, int bits, uint32_t rate);
// A buffer that voices still play is deleted when the last of them goes.
void SoundDeleteBuffer(uint32_t buffer);

// A voice plays one buffer; any number of voices may share a buffer. Returns 0 on failure.
uint32_t SoundCreateVoice(uint32_t buffer);
void SoundDeleteVoice(uint32_t voice);
// Plays from the voice's current position. A voice that plays already only takes the loop flag.
void SoundPlay(uint32_t voice, bool loop);
void SoundStop(uint32_t voice);
// Clearing the flag lets a looping voice play on to the end of its buffer and stop there.
void SoundSetLooping(uint32_t voice, bool loop);
bool SoundIsPlaying(uint32_t voice);
// The play position in bytes. On a voice that does not play, the position is kept for the next
// SoundPlay and read back as it was set.
void SoundSetPosition(uint32_t voice, uint32_t bytes);
uint32_t SoundGetPosition(uint32_t voice);
// Volume in hundredths of a decibel, -10,000 (silent) to 0 (full); the gain is 10^(volume/2000).
void SoundSetVolume(uint32_t voice, int32_t volume);
// Playback rate in samples per second; 0 plays at the buffer's own rate.
void SoundSetFrequency(uint32_t voice, uint32_t hz);

// Places a voice, and the listener (position, velocity, the directions ahead and up). These wait
// until SoundCommit, which makes everything set since the last commit take effect at once.
void SoundPlaceVoice(uint32_t voice, const SoundVector& position, const SoundVector& velocity);
void SoundPlaceListener(const SoundVector& position, const SoundVector& velocity, const SoundVector& front,
                        const SoundVector& top);
void SoundCommit();

}  // namespace platform
