// The MIDI sequencer device behind the media control interface: one standard MIDI file played by
// FluidSynth into an SDL audio device, or into nothing at all (the offline sink tests drive by hand).
// Called only by the media control interface (mci.cpp), on the user-interface thread; the audio thread and
// the start-up thread meet it under the device lock. A close waits for at most a slice of the audio
// thread's work. SDL's audio subsystem is started and stopped through sdl_subsystems.h, as SDL's video is.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/midi_file.h"

namespace platform {

class Sequencer {
 public:
  enum class Mode { NotReady, Stopped, Playing, Paused };
  // Where the synthesised sound goes: the audio device, or nowhere until renderOffline() asks for it.
  enum class Output { Device, Offline };
  // Why a file did not open; the reason is also written to stderr, since the game goes on silent.
  enum class OpenError { None, FileNotFound, InvalidFile, NoSynthesizer };

  // Opens `utf8Path` with the sound font `soundFont`: OpenError::None and the device in *out, or why not.
  // Only the file and the font's presence are checked here, in well under a millisecond; the synthesizer,
  // the audio device and the font start on a thread of their own, so that the music never delays the
  // window. The device is "not ready" until they have, and for good when one of them cannot (the reason
  // then goes to stderr once, from that thread).
  static OpenError open(const std::string& utf8Path, Output output, const std::string& soundFont,
                        std::unique_ptr<Sequencer>* out);
  // Waits for the start-up, which gives up at its next step.
  ~Sequencer();
  Sequencer(const Sequencer&) = delete;
  Sequencer& operator=(const Sequencer&) = delete;

  // Read without the device lock: the user-interface thread never waits on the audio thread for them.
  Mode mode() const { return mode_.load(std::memory_order_acquire); }
  bool ready() const { return ready_.load(std::memory_order_acquire); }
  // Plays from the current position, or from `fromMs` when it is not negative. Before the device is
  // ready the request is remembered and carried out the moment it is.
  void play(int64_t fromMs);
  void seek(int64_t ms);  // stops
  void stop();            // keeps the position
  void pause();
  void resume();
  int64_t positionMs();
  int64_t lengthMs() const { return info_.ticksToMs(info_.totalTicks); }
  const MidiFileInfo& info() const { return info_; }

  // Offline sink: synthesize `frames` frames, advancing playback exactly as the device would.
  // Returns the loudest sample rendered.
  float renderOffline(int64_t frames);
  // Until the start-up has finished, ready or not (tests and benchmarks).
  void waitReady();

  // 32 kHz keeps everything up to 16 kHz, plenty for soft flute, harp and strings, and costs about a third
  // less synthesis than 44.1 kHz; synthesis is most of what the idle game spends.
  static constexpr int kSampleRateHz = 32000;

 private:
  Sequencer() = default;
  void startUp(const std::string& smf, const std::string& soundFont);
  bool makeSynth(const std::string& smf);
  bool openDevice();
  void release();
  void renderLocked(float* stereo, int frames, int checkEvery);
  void startPlayerLocked(int64_t tick);
  static void audioCallback(void* self, uint8_t* stream, int bytes);

  MidiFileInfo info_;
  Output output_ = Output::Offline;
  // Made by the start-up thread; the other threads touch them only once ready_ is set, and the
  // destructor only after that thread has ended.
  void* settings_ = nullptr;  // fluid_settings_t
  void* synth_ = nullptr;     // fluid_synth_t
  void* player_ = nullptr;    // fluid_player_t
  uint32_t device_ = 0;       // SDL_AudioDeviceID, 0 for the offline sink
  bool sdlAudioStarted_ = false;
  // The device lock: the user-interface thread, the start-up thread and the audio callback.
  std::mutex mutex_;
  std::thread starter_;
  std::atomic<bool> closing_{false};

  // Written under the device lock; read without it, so that the poll's "status" never waits on synthesis.
  std::atomic<bool> ready_{false};
  std::atomic<Mode> mode_{Mode::NotReady};
  // Guarded by the device lock.
  bool pendingPlay_ = false;
  int64_t pendingTick_ = 0;
  // FluidSynth applies a seek only when it next renders; until then the position is the one asked for.
  bool seekPending_ = false;
  int64_t seekTick_ = 0;
  std::vector<float> scratch_;
};

}  // namespace platform
