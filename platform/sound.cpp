#include "platform/sound.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

struct BufferInfo {
  uint32_t rate = 0;
  uint32_t users = 0;           // voices playing it
  bool deleteWhenUnused = false;
};

struct VoiceInfo {
  ALuint buffer = 0;
  uint32_t keptPosition = 0;  // the position of a voice that does not play
  bool placePending = false;
  SoundVector position{0, 0, 0}, velocity{0, 0, 0};
};

struct ListenerPlace {
  bool pending = false;
  SoundVector position{0, 0, 0}, velocity{0, 0, 0}, front{0, 0, 1}, top{0, 1, 0};
};

ALCdevice* g_device = nullptr;
ALCcontext* g_context = nullptr;
SoundDistanceModel g_distanceModel = SoundDistanceModel::InverseClamped;
std::unordered_map<uint32_t, BufferInfo> g_buffers;
std::unordered_map<uint32_t, VoiceInfo> g_voices;
ListenerPlace g_listener;
void(AL_APIENTRY* g_deferUpdates)() = nullptr;
void(AL_APIENTRY* g_processUpdates)() = nullptr;

void ApplyDistanceModel() {
  alDistanceModel(g_distanceModel == SoundDistanceModel::None ? AL_NONE : AL_INVERSE_DISTANCE_CLAMPED);
}

// OpenAL's frame is right-handed: z points out of the screen.
void ToAl(const SoundVector& v, ALfloat out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = -v.z;
}

VoiceInfo* FindVoice(uint32_t voice) {
  if (!g_context) return nullptr;
  auto it = g_voices.find(voice);
  return it == g_voices.end() ? nullptr : &it->second;
}

ALint State(uint32_t voice) {
  ALint state = AL_INITIAL;
  alGetSourcei(voice, AL_SOURCE_STATE, &state);
  return state;
}

bool Plays(ALint state) { return state == AL_PLAYING || state == AL_PAUSED; }

void DropBufferUser(ALuint buffer) {
  auto it = g_buffers.find(buffer);
  if (it == g_buffers.end()) return;
  if (it->second.users > 0) --it->second.users;
  if (it->second.users == 0 && it->second.deleteWhenUnused) {
    alDeleteBuffers(1, &buffer);
    g_buffers.erase(it);
  }
}

}  // namespace

bool SoundOpen() {
  if (g_context) return true;
  g_device = alcOpenDevice(nullptr);
  if (!g_device) return false;
  g_context = alcCreateContext(g_device, nullptr);
  if (!g_context || !alcMakeContextCurrent(g_context)) {
    if (g_context) alcDestroyContext(g_context);
    alcCloseDevice(g_device);
    g_context = nullptr;
    g_device = nullptr;
    return false;
  }
  g_deferUpdates = nullptr;
  g_processUpdates = nullptr;
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    g_deferUpdates = reinterpret_cast<void(AL_APIENTRY*)()>(alGetProcAddress("alDeferUpdatesSOFT"));
    g_processUpdates = reinterpret_cast<void(AL_APIENTRY*)()>(alGetProcAddress("alProcessUpdatesSOFT"));
    if (!g_deferUpdates || !g_processUpdates) g_deferUpdates = g_processUpdates = nullptr;
  }
  ApplyDistanceModel();
  g_listener = ListenerPlace{};
  alGetError();
  return true;
}

void SoundClose() {
  if (!g_context) return;
  for (auto& [voice, info] : g_voices) {
    ALuint source = voice;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    alDeleteSources(1, &source);
  }
  g_voices.clear();
  for (auto& [buffer, info] : g_buffers) {
    ALuint b = buffer;
    alDeleteBuffers(1, &b);
  }
  g_buffers.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(g_context);
  alcCloseDevice(g_device);
  g_context = nullptr;
  g_device = nullptr;
}

bool SoundIsOpen() { return g_context != nullptr; }

void SoundSetDistanceModel(SoundDistanceModel model) {
  g_distanceModel = model;
  if (g_context) ApplyDistanceModel();
}

uint32_t SoundCreateBuffer(const void* data, uint32_t bytes, int channels, int bits, uint32_t rate) {
  if (!g_context || !data || rate == 0 || rate > INT32_MAX || bytes > INT32_MAX) return 0;
  ALenum format;
  if (channels == 1 && bits == 8)
    format = AL_FORMAT_MONO8;
  else if (channels == 1 && bits == 16)
    format = AL_FORMAT_MONO16;
  else if (channels == 2 && bits == 8)
    format = AL_FORMAT_STEREO8;
  else if (channels == 2 && bits == 16)
    format = AL_FORMAT_STEREO16;
  else
    return 0;
  const uint32_t frame = static_cast<uint32_t>(channels * bits / 8);
  alGetError();
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR || buffer == 0) return 0;
  // The device takes whole frames only.
  alBufferData(buffer, format, data, static_cast<ALsizei>(bytes - bytes % frame), static_cast<ALsizei>(rate));
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return 0;
  }
  g_buffers[buffer] = BufferInfo{rate, 0, false};
  return buffer;
}

void SoundDeleteBuffer(uint32_t buffer) {
  if (!g_context) return;
  auto it = g_buffers.find(buffer);
  if (it == g_buffers.end()) return;
  if (it->second.users > 0) {
    it->second.deleteWhenUnused = true;
    return;
  }
  ALuint b = buffer;
  alDeleteBuffers(1, &b);
  g_buffers.erase(it);
}

uint32_t SoundCreateVoice(uint32_t buffer) {
  if (!g_context) return 0;
  auto it = g_buffers.find(buffer);
  if (it == g_buffers.end() || it->second.deleteWhenUnused) return 0;
  alGetError();
  ALuint source = 0;
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR || source == 0) return 0;
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &source);
    return 0;
  }
  ++it->second.users;
  g_voices[source] = VoiceInfo{buffer, 0, false, {0, 0, 0}, {0, 0, 0}};
  return source;
}

void SoundDeleteVoice(uint32_t voice) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  const ALuint buffer = v->buffer;
  ALuint source = voice;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  alDeleteSources(1, &source);
  g_voices.erase(voice);
  DropBufferUser(buffer);
  alGetError();
}

void SoundPlay(uint32_t voice, bool loop) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  alSourcei(voice, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  const ALint state = State(voice);
  if (state == AL_PLAYING) return;
  if (state != AL_PAUSED && v->keptPosition != 0) {
    // A stopped source starts from its beginning; the kept position is set again just before.
    alSourcei(voice, AL_BYTE_OFFSET, static_cast<ALint>(v->keptPosition));
  }
  alSourcePlay(voice);
  v->keptPosition = 0;
  alGetError();
}

void SoundStop(uint32_t voice) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  alSourceStop(voice);
  v->keptPosition = 0;
  alGetError();
}

void SoundSetLooping(uint32_t voice, bool loop) {
  if (!FindVoice(voice)) return;
  alSourcei(voice, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alGetError();
}

bool SoundIsPlaying(uint32_t voice) {
  if (!FindVoice(voice)) return false;
  return State(voice) == AL_PLAYING;
}

void SoundSetPosition(uint32_t voice, uint32_t bytes) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  if (bytes > INT32_MAX) return;
  alGetError();
  if (Plays(State(voice))) {
    alSourcei(voice, AL_BYTE_OFFSET, static_cast<ALint>(bytes));
  } else {
    ALint size = 0;
    alGetBufferi(v->buffer, AL_SIZE, &size);
    if (bytes < static_cast<uint32_t>(size)) v->keptPosition = bytes;  // beyond the end: refused
  }
  alGetError();
}

uint32_t SoundGetPosition(uint32_t voice) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return 0;
  if (!Plays(State(voice))) return v->keptPosition;
  ALint offset = 0;
  alGetSourcei(voice, AL_BYTE_OFFSET, &offset);
  alGetError();
  return offset > 0 ? static_cast<uint32_t>(offset) : 0;
}

void SoundSetVolume(uint32_t voice, int32_t volume) {
  if (!FindVoice(voice)) return;
  if (volume > 0) volume = 0;
  if (volume < -10000) volume = -10000;
  alSourcef(voice, AL_GAIN, static_cast<ALfloat>(std::pow(10.0, volume / 2000.0)));
  alGetError();
}

void SoundSetFrequency(uint32_t voice, uint32_t hz) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  auto it = g_buffers.find(v->buffer);
  if (it == g_buffers.end() || it->second.rate == 0) return;
  const double pitch = hz == 0 ? 1.0 : static_cast<double>(hz) / it->second.rate;
  alSourcef(voice, AL_PITCH, static_cast<ALfloat>(pitch));
  alGetError();
}

void SoundPlaceVoice(uint32_t voice, const SoundVector& position, const SoundVector& velocity) {
  VoiceInfo* v = FindVoice(voice);
  if (!v) return;
  v->placePending = true;
  v->position = position;
  v->velocity = velocity;
}

void SoundPlaceListener(const SoundVector& position, const SoundVector& velocity, const SoundVector& front,
                        const SoundVector& top) {
  g_listener.pending = true;
  g_listener.position = position;
  g_listener.velocity = velocity;
  g_listener.front = front;
  g_listener.top = top;
}

void SoundCommit() {
  if (!g_context) return;
  if (g_deferUpdates) g_deferUpdates();
  ALfloat a[3], b[3];
  if (g_listener.pending) {
    ToAl(g_listener.position, a);
    alListenerfv(AL_POSITION, a);
    ToAl(g_listener.velocity, a);
    alListenerfv(AL_VELOCITY, a);
    ALfloat orientation[6];
    ToAl(g_listener.front, orientation);
    ToAl(g_listener.top, orientation + 3);
    alListenerfv(AL_ORIENTATION, orientation);
    g_listener.pending = false;
  }
  for (auto& [voice, info] : g_voices) {
    if (!info.placePending) continue;
    ToAl(info.position, a);
    ToAl(info.velocity, b);
    alSourcefv(voice, AL_POSITION, a);
    alSourcefv(voice, AL_VELOCITY, b);
    info.placePending = false;
  }
  if (g_processUpdates) g_processUpdates();
  alGetError();
}

}  // namespace platform
