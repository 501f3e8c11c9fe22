// The MIDI sequencer device: FluidSynth's synth and player, timed by the samples it renders, so that the
// offline sink and the sound card play a file identically.
#include "platform/media/sequencer.h"

#include <SDL.h>
#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/media/content_file.h"
#include "platform/runtime/app.h"

namespace platform {
namespace {

fluid_synth_t* asSynth(void* p) { return static_cast<fluid_synth_t*>(p); }
fluid_player_t* asPlayer(void* p) { return static_cast<fluid_player_t*>(p); }

// FluidSynth advances its player once per 64-frame block; checking for the end after each such block
// makes "stopped" appear within 1.5 ms of the last tick, whatever buffer size the sound card asks for.
constexpr int kEndCheckFrames = 64;
// A large device buffer keeps the audio thread asleep most of the time; latency does not matter for
// background music.
constexpr int kDeviceBufferFrames = 2048;

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
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
      fluid_set_log_function(level, onFluidLog, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  });
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// The device lock: SDL's own for a sound card (the audio callback holds it while it renders), a plain
// mutex for the offline sink (the sound-font loader is the only other thread).
class Sequencer::Lock {
 public:
  explicit Lock(Sequencer& s) : s_(s) {
    if (s_.device_) {
      SDL_LockAudioDevice(s_.device_);
    } else {
      s_.offlineMutex_.lock();
    }
  }
  ~Lock() {
    if (s_.device_) {
      SDL_UnlockAudioDevice(s_.device_);
    } else {
      s_.offlineMutex_.unlock();
    }
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  Sequencer& s_;
};

Sequencer::OpenError Sequencer::open(const std::string& utf8Path, Output output, const std::string& soundFont,
                                     std::unique_ptr<Sequencer>* out) {
  // The caller ignores the result and runs silent, so the reason goes to stderr.
  installLogHandler();
  if (!fileExists(utf8Path) && nonRegularKind(utf8Path).empty()) {
    reportProblem("no music file at " + utf8Path + ": the game runs silent");
    return OpenError::FileNotFound;
  }
  std::string bytes, error;
  if (!readRegularFile(utf8Path, kMaxMidiFileBytes, &bytes, &error)) {
    reportProblem("cannot read the music file " + error + ": the game runs silent");
    return OpenError::FileNotFound;
  }
  MidiFileInfo info;
  std::string smf, problem;
  if (!parseMidiFile(bytes, &info, &smf, &problem)) {
    reportProblem(utf8Path + " is not played: " + problem + "; the game runs silent");
    return OpenError::InvalidFile;
  }
  // The font itself loads in the background; only its absence can be known at once.
  if (soundFont.empty() || !fileExists(soundFont)) {
    reportProblem("no General MIDI sound font at " + soundFont + ": the music stays silent");
    return OpenError::NoSynthesizer;
  }

  std::unique_ptr<Sequencer> s(new Sequencer());
  s->info_ = std::move(info);
  fluid_settings_t* settings = new_fluid_settings();
  s->settings_ = settings;
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
  if (!synth) return OpenError::NoSynthesizer;
  s->synth_ = synth;
  fluid_player_t* player = new_fluid_player(synth);
  if (!player) return OpenError::NoSynthesizer;
  s->player_ = player;
  if (fluid_player_add_mem(player, smf.data(), smf.size()) != FLUID_OK) return OpenError::InvalidFile;

  if (output == Output::Device) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      reportProblem(std::string("no audio output: ") + SDL_GetError());
      return OpenError::NoAudioDevice;
    }
    s->sdlAudioStarted_ = true;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = kSampleRateHz;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kDeviceBufferFrames;
    want.callback = &Sequencer::audioCallback;
    want.userdata = s.get();
    s->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!s->device_) {
      reportProblem(std::string("no audio device opens: ") + SDL_GetError());
      return OpenError::NoAudioDevice;
    }
  }

  s->mode_ = Mode::NotReady;
  Sequencer* raw = s.get();
  s->loader_ = std::thread([raw, soundFont] { raw->loadSoundFont(soundFont); });
  if (s->device_) SDL_PauseAudioDevice(s->device_, 0);
  *out = std::move(s);
  return OpenError::None;
}

Sequencer::~Sequencer() {
  if (loader_.joinable()) loader_.join();
  if (device_) SDL_CloseAudioDevice(device_);
  if (sdlAudioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (player_) {
    fluid_player_stop(asPlayer(player_));
    delete_fluid_player(asPlayer(player_));
  }
  if (synth_) delete_fluid_synth(asSynth(synth_));
  if (settings_) delete_fluid_settings(static_cast<fluid_settings_t*>(settings_));
}

void Sequencer::loadSoundFont(std::string path) {
  const int id = fluid_synth_sfload(asSynth(synth_), path.c_str(), 1);
  {
    Lock lock(*this);
    if (id == FLUID_FAILED) {
      // Stays "not ready" for good: the poll never finds it stopped, and the game runs silent.
      reportProblem("the sound font " + path + " does not load: the music stays silent");
    } else {
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
  }
}

void Sequencer::waitReady() {
  if (loader_.joinable()) loader_.join();
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
  Lock lock(*this);
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
  Lock lock(*this);
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
  Lock lock(*this);
  if (!ready_) {
    pendingPlay_ = false;
    return;
  }
  fluid_player_stop(asPlayer(player_));
  mode_ = Mode::Stopped;
}

void Sequencer::pause() {
  Lock lock(*this);
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
  Lock lock(*this);
  if (ready_ && mode_ == Mode::Paused) {
    startPlayerLocked(seekPending_ ? seekTick_ : fluid_player_get_current_tick(asPlayer(player_)));
  }
}

int64_t Sequencer::positionMs() {
  Lock lock(*this);
  int64_t tick = pendingTick_;
  if (ready_) tick = seekPending_ ? seekTick_ : fluid_player_get_current_tick(asPlayer(player_));
  return info_.ticksToMs(std::clamp<int64_t>(tick, 0, info_.totalTicks));
}

void Sequencer::renderLocked(float* stereo, int frames) {
  if (!ready_) {
    std::memset(stereo, 0, sizeof(float) * 2 * size_t(frames));
    return;
  }
  fluid_synth_t* synth = asSynth(synth_);
  while (frames > 0) {
    const int n = std::min(frames, kEndCheckFrames);
    fluid_synth_write_float(synth, n, stereo, 0, 2, stereo, 1, 2);
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
  // SDL holds the device lock while this runs.
  auto* s = static_cast<Sequencer*>(self);
  s->renderLocked(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)));
}

float Sequencer::renderOffline(int64_t frames) {
  if (device_) return 0.0f;
  Lock lock(*this);
  scratch_.resize(2 * kEndCheckFrames);
  float peak = 0.0f;
  while (frames > 0) {
    const int n = int(std::min<int64_t>(frames, kEndCheckFrames));
    renderLocked(scratch_.data(), n);
    for (int i = 0; i < 2 * n; ++i) peak = std::max(peak, std::fabs(scratch_[size_t(i)]));
    frames -= n;
  }
  return peak;
}

}  // namespace platform
