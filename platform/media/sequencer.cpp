// The MIDI sequencer device: FluidSynth's synth and player, timed by the samples it renders, so that the
// offline sink and the sound card play a file identically.
#include "platform/media/sequencer.h"

#include <SDL.h>
#include <dlfcn.h>
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/media/music_file_check.h"
#include "platform/media/music_mute.h"
#include "platform/media/sdl_subsystems.h"
#include "platform/runtime/app.h"

namespace platform {
namespace {

// ---- FluidSynth, loaded by the first start-up -------------------------------------------------------
// Linked, FluidSynth and the libraries it brings (sound servers, JACK, codecs, GLib: two dozen) would be
// mapped and relocated before main, some 7 ms of every launch; loaded here they cost the start-up thread
// instead. Its functions go by their own names, so the code reads as FluidSynth's manual does; they are
// set once, before any synth exists, and the library stays loaded for good.
// clang-format off
#define LANTERNFALL_FLUIDSYNTH_FUNCTIONS(X)                                                          \
  X(new_fluid_settings) X(delete_fluid_settings)                                                     \
  X(fluid_settings_setnum) X(fluid_settings_setstr) X(fluid_settings_setint)                         \
  X(new_fluid_synth) X(delete_fluid_synth) X(fluid_synth_sfload) X(fluid_synth_write_float)          \
  X(new_fluid_player) X(delete_fluid_player) X(fluid_player_add_mem) X(fluid_player_play)            \
  X(fluid_player_stop) X(fluid_player_seek) X(fluid_player_get_current_tick)                         \
  X(fluid_player_get_status) X(fluid_set_log_function)
// clang-format on
#define LANTERNFALL_DECLARE(name) decltype(&::name) name = nullptr;
LANTERNFALL_FLUIDSYNTH_FUNCTIONS(LANTERNFALL_DECLARE)
#undef LANTERNFALL_DECLARE

fluid_synth_t* asSynth(void* p) { return static_cast<fluid_synth_t*>(p); }
fluid_player_t* asPlayer(void* p) { return static_cast<fluid_player_t*>(p); }

// FluidSynth advances its player once per 64-frame block. Offline, checking for the end after each such
// block makes "stopped" appear within 1.5 ms of the last tick, as tests step the music in small steps.
// A sound card's buffer is checked once, at its end: a restart the poll asks for takes effect with the
// next buffer either way, and rendering a buffer in one call costs a third less than in 64-frame calls.
constexpr int kEndCheckFrames = 64;
// A large device buffer keeps the audio thread asleep most of the time; latency does not matter for
// background music.
constexpr int kDeviceBufferFrames = 2048;
// The audio thread looks for a close between slices of this many frames: closing the device waits for
// the thread, so it waits for one slice's synthesis and events (which the flood checks bound), never for a
// whole buffer of them.
constexpr int kCallbackSliceFrames = 512;

// FluidSynth's messages go to the problem log, at most kMaxLogMessages in kLogWindowMs (a flood of
// warnings from a broken file would otherwise write gigabytes); the rest are counted.
constexpr int kMaxLogMessages = 20;
constexpr int64_t kLogWindowMs = 10000;

void onFluidLog(int level, const char* message, void*) {
  static std::mutex lock;
  static int64_t windowStart = 0;
  static int inWindow = 0;
  static uint64_t dropped = 0;
  const int64_t now = static_cast<int64_t>(SDL_GetTicks64());
  std::lock_guard<std::mutex> hold(lock);
  if (now - windowStart >= kLogWindowMs) {
    if (dropped > 0) {
      reportProblem("FluidSynth: " + std::to_string(dropped) + " more messages left out");
    }
    windowStart = now;
    inWindow = 0;
    dropped = 0;
  }
  if (inWindow >= kMaxLogMessages) {
    ++dropped;
    return;
  }
  ++inWindow;
  const char* kind = level <= FLUID_ERR ? "error" : level == FLUID_WARN ? "warning" : "note";
  reportProblem(std::string("FluidSynth ") + kind + ": " + (message ? message : ""));
}

void installLogHandler() {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
    fluid_set_log_function(level, onFluidLog, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

template <typename Function>
bool bind(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(library, name));
  return *function != nullptr;
}

// False, with the reason named once, when the library or one of its functions is missing.
bool loadFluidSynth() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] {
    auto why = [] {
      const char* error = dlerror();
      return std::string(error ? error : "unknown");
    };
    void* library = dlopen(LANTERNFALL_FLUIDSYNTH_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      reportProblem("FluidSynth does not load: " + why() + "; the music stays silent");
      return;
    }
    bool all = true;
#define LANTERNFALL_BIND(name) all = bind(library, #name, &name) && all;
    LANTERNFALL_FLUIDSYNTH_FUNCTIONS(LANTERNFALL_BIND)
#undef LANTERNFALL_BIND
    if (!all) {
      reportProblem("FluidSynth is not the one the music needs: " + why() + "; the music stays silent");
      return;
    }
    installLogHandler();
    loaded = true;
  });
  return loaded;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Held by each start-up, and by each close of a device: FluidSynth fills its shared tables when the first
// synth is made, unguarded.
// Constant-initialised, so it outlives the devices the interface still holds at exit.
std::mutex gStartUpMutex;

}  // namespace

Sequencer::OpenError Sequencer::open(const std::string& utf8Path, Output output, const std::string& soundFont,
                                     std::unique_ptr<Sequencer>* out) {
  // The caller ignores the result and runs silent, so the reason goes to stderr.
  MidiFileInfo info;
  std::string smf;
  switch (checkMusicFile(utf8Path, &info, &smf)) {
    case MusicFileCheck::NotFound:
      return OpenError::FileNotFound;
    case MusicFileCheck::Invalid:
      return OpenError::InvalidFile;
    case MusicFileCheck::Playable:
      break;
  }
  // The font itself loads in the background; only its absence can be known at once.
  if (soundFont.empty() || !fileExists(soundFont)) {
    reportProblem("no General MIDI sound font at " + soundFont + ": the music stays silent");
    return OpenError::NoSynthesizer;
  }

  std::unique_ptr<Sequencer> s(new Sequencer());
  s->info_ = std::move(info);
  s->output_ = output;
  Sequencer* raw = s.get();
  s->starter_ = std::thread([raw, smf = std::move(smf), soundFont] { raw->startUp(smf, soundFont); });
  *out = std::move(s);
  return OpenError::None;
}

Sequencer::~Sequencer() {
  closing_ = true;
  if (starter_.joinable()) starter_.join();
  std::lock_guard<std::mutex> one(gStartUpMutex);
  release();
}

// Synthesizer, audio device, sound font, each only when the one before it came: a machine without sound
// output never spends the font's time and memory. Whatever fails leaves the device "not ready" for good,
// so the poll never finds it stopped and the game runs silent. A close asked meanwhile stops it at the
// next step, and nothing is reported after it: the problem log may already be gone at exit.
void Sequencer::startUp(const std::string& smf, const std::string& soundFont) {
  std::lock_guard<std::mutex> one(gStartUpMutex);
  // SDL keeps its error text per thread and frees it only when asked, on the thread itself.
  struct SdlThreadData {
    ~SdlThreadData() { SDL_TLSCleanup(); }
  } sdlThreadData;
  const bool made = !closing_ && makeSynth(smf) && (output_ == Output::Offline || openDevice());
  if (!made || closing_) {
    release();
    return;
  }
  if (fluid_synth_sfload(asSynth(synth_), soundFont.c_str(), 1) == FLUID_FAILED) {
    if (!closing_) reportProblem("the sound font " + soundFont + " does not load: the music stays silent");
    release();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_ = true;
    mode_ = Mode::Stopped;
    if (pendingPlay_) {
      startPlayerLocked(pendingTick_);
    } else {
      seekPending_ = true;
      seekTick_ = pendingTick_;
    }
    pendingPlay_ = false;
  }
  // Paused until now, so that the audio thread never renders for a synthesizer without a font.
  if (device_) SDL_PauseAudioDevice(device_, 0);
}

bool Sequencer::makeSynth(const std::string& smf) {
  if (!loadFluidSynth()) return false;
  fluid_settings_t* settings = new_fluid_settings();
  settings_ = settings;
  if (!settings) {
    if (!closing_) reportProblem("FluidSynth cannot start: the music stays silent");
    return false;
  }
  fluid_settings_setnum(settings, "synth.sample-rate", kSampleRateHz);
  // Timed by rendered samples: no timer thread, and offline rendering plays exactly like the device.
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  // Only the instruments the music uses take memory, whatever the size of the system's font.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  // FluidSynth's default gain of 0.2 leaves a General MIDI tune some 25 dB below full scale; 0.6 brings it
  // near the level of a desktop synthesizer and still leaves headroom for dense files.
  fluid_settings_setnum(settings, "synth.gain", 0.6);
  // Samples are not pinned in memory: a background tune can wait for a page fault.
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  // No chorus: General MIDI music asks for it only by controller 93, and it costs time on every block.
  fluid_settings_setint(settings, "synth.chorus.active", 0);
  // Voices are allocated up front: 64 are ample for background music, at a quarter of the default's memory.
  fluid_settings_setint(settings, "synth.polyphony", 64);
  fluid_synth_t* synth = new_fluid_synth(settings);
  synth_ = synth;
  fluid_player_t* player = synth ? new_fluid_player(synth) : nullptr;
  player_ = player;
  // The file was checked whole when it opened; the player only keeps its own copy.
  if (!player || fluid_player_add_mem(player, smf.data(), smf.size()) != FLUID_OK) {
    if (!closing_) reportProblem("FluidSynth cannot start: the music stays silent");
    return false;
  }
  return true;
}

bool Sequencer::openDevice() {
  std::string why;
  if (!startSdlSubsystems(SDL_INIT_AUDIO, &why)) {
    if (!closing_) reportProblem("no audio output: " + why);
    return false;
  }
  sdlAudioStarted_ = true;
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = kSampleRateHz;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = &Sequencer::audioCallback;
  want.userdata = this;
  // Opened paused: the callback first runs when start-up unpauses it.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!device_) {
    if (!closing_) reportProblem(std::string("no audio device opens: ") + SDL_GetError());
    return false;
  }
  return true;
}

// Under gStartUpMutex, by the start-up thread or after it has ended. Closing the device ends its audio
// thread, so nothing renders from what follows.
void Sequencer::release() {
  if (device_) SDL_CloseAudioDevice(device_);
  device_ = 0;
  if (sdlAudioStarted_) stopSdlSubsystems(SDL_INIT_AUDIO);
  sdlAudioStarted_ = false;
  if (player_) {
    fluid_player_stop(asPlayer(player_));
    delete_fluid_player(asPlayer(player_));
  }
  player_ = nullptr;
  if (synth_) delete_fluid_synth(asSynth(synth_));
  synth_ = nullptr;
  if (settings_) delete_fluid_settings(static_cast<fluid_settings_t*>(settings_));
  settings_ = nullptr;
}

void Sequencer::waitReady() {
  if (starter_.joinable()) starter_.join();
}

void Sequencer::startPlayerLocked(int64_t tick) {
  fluid_player_t* p = asPlayer(player_);
  fluid_player_seek(p, int(std::min<int64_t>(tick, INT32_MAX)));
  fluid_player_play(p);
  mode_ = Mode::Playing;
  seekPending_ = true;
  seekTick_ = tick;
}

void Sequencer::play(int64_t fromMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ready_) {
    pendingPlay_ = true;
    if (fromMs >= 0) pendingTick_ = info_.msToTicks(fromMs);
    return;
  }
  if (fromMs >= 0) {
    fluid_player_stop(asPlayer(player_));
    startPlayerLocked(info_.msToTicks(fromMs));
  } else if (mode_ != Mode::Playing) {
    startPlayerLocked(seekPending_ ? seekTick_ : fluid_player_get_current_tick(asPlayer(player_)));
  }
}

void Sequencer::seek(int64_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t tick = std::min(info_.msToTicks(ms), info_.totalTicks);
  if (!ready_) {
    pendingPlay_ = false;
    pendingTick_ = tick;
    return;
  }
  fluid_player_t* p = asPlayer(player_);
  fluid_player_stop(p);
  fluid_player_seek(p, int(std::min<int64_t>(tick, INT32_MAX)));
  mode_ = Mode::Stopped;
  seekPending_ = true;
  seekTick_ = tick;
}

void Sequencer::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ready_) {
    pendingPlay_ = false;
    return;
  }
  fluid_player_stop(asPlayer(player_));
  mode_ = Mode::Stopped;
}

void Sequencer::pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ready_) {
    pendingPlay_ = false;
    return;
  }
  if (mode_ == Mode::Playing) {
    fluid_player_stop(asPlayer(player_));
    mode_ = Mode::Paused;
  }
}

void Sequencer::resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ready_ && mode_ == Mode::Paused) {
    startPlayerLocked(seekPending_ ? seekTick_ : fluid_player_get_current_tick(asPlayer(player_)));
  }
}

int64_t Sequencer::positionMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t tick = pendingTick_;
  if (ready_) tick = seekPending_ ? seekTick_ : fluid_player_get_current_tick(asPlayer(player_));
  return info_.ticksToMs(std::clamp<int64_t>(tick, 0, info_.totalTicks));
}

void Sequencer::renderLocked(float* stereo, int frames, int checkEvery) {
  if (!ready_) {
    std::memset(stereo, 0, sizeof(float) * 2 * size_t(frames));
    return;
  }
  fluid_synth_t* synth = asSynth(synth_);
  // Muted, the synthesizer and its player run on, so the loop keeps its time, and what they render is
  // dropped: a synthesizer gain of 0 still lets its reverb through, some 30 dB down.
  const bool muted = musicMuted();
  while (frames > 0) {
    const int n = std::min(frames, checkEvery);
    fluid_synth_write_float(synth, n, stereo, 0, 2, stereo, 1, 2);
    if (muted) std::memset(stereo, 0, sizeof(float) * 2 * size_t(n));
    if (mode_ == Mode::Playing) seekPending_ = false;  // a playing player has taken up its seek
    stereo += 2 * n;
    frames -= n;
    // FluidSynth's own DONE comes seconds after the last note, and also after every stop: the end of
    // the music is when the player's tick reaches the file's last tick.
    if (mode_ != Mode::Playing) continue;
    fluid_player_t* player = asPlayer(player_);
    // Its DONE still counts should the player ever finish without reaching the file's last tick.
    if (fluid_player_get_current_tick(player) >= info_.totalTicks ||
        fluid_player_get_status(player) == FLUID_PLAYER_DONE) {
      fluid_player_stop(player);
      mode_ = Mode::Stopped;
    }
  }
}

void Sequencer::audioCallback(void* self, uint8_t* stream, int bytes) {
  auto* s = static_cast<Sequencer*>(self);
  std::lock_guard<std::mutex> lock(s->mutex_);
  auto* out = reinterpret_cast<float*>(stream);
  for (int frames = bytes / int(2 * sizeof(float)); frames > 0;) {
    if (s->closing_.load(std::memory_order_acquire)) {
      std::memset(out, 0, sizeof(float) * 2 * size_t(frames));
      return;
    }
    const int n = std::min(frames, kCallbackSliceFrames);
    s->renderLocked(out, n, n);
    out += 2 * n;
    frames -= n;
  }
}

float Sequencer::renderOffline(int64_t frames) {
  if (output_ != Output::Offline) return 0.0f;
  std::lock_guard<std::mutex> lock(mutex_);
  scratch_.resize(2 * kEndCheckFrames);
  float peak = 0.0f;
  while (frames > 0) {
    const int n = int(std::min<int64_t>(frames, kEndCheckFrames));
    renderLocked(scratch_.data(), n, kEndCheckFrames);
    for (int i = 0; i < 2 * n; ++i) peak = std::max(peak, std::fabs(scratch_[size_t(i)]));
    frames -= n;
  }
  return peak;
}

}  // namespace platform
