// API定義用: the operating-system declarations the game calls by name. Here only the media control
// interface, mciSendStringA, rebuilt over our MIDI sequencer (FluidSynth).
// Contract: the command is CP932 text; verbs and aliases are case-insensitive. Returns 0 or the Windows
// MCI error code. A reply is written into `reply` (at most replyLength bytes with the terminating zero)
// only on success; a null buffer is allowed. With callbackWindow 0 nothing is posted for "notify".
// Commands: open "path" [type sequencer] [alias NAME] (.mid, .midi, .rmi); play NAME [from ms];
// seek NAME to start|end|ms (stops); stop, pause, resume NAME; status NAME mode|position|length|ready
// (mode: "not ready" while the synthesizer, the audio device and the sound font start behind the open,
// which returns at once, and for good when one of them cannot; then "stopped", "playing" or "paused", in
// lower case; "stopped" from the moment playback passes the file's last tick); close NAME|all. Times in
// ms. A play sent before the device is ready starts the music the moment it is.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t kMciErrBase = 256;
inline constexpr uint32_t kMciErrUnrecognizedCommand = kMciErrBase + 5;  // 261
inline constexpr uint32_t kMciErrInvalidDeviceName = kMciErrBase + 7;    // 263
inline constexpr uint32_t kMciErrCannotLoadDriver = kMciErrBase + 10;    // 266
inline constexpr uint32_t kMciErrFileNotFound = kMciErrBase + 19;        // 275
inline constexpr uint32_t kMciErrExtensionNotFound = kMciErrBase + 25;   // 281
inline constexpr uint32_t kMciErrDuplicateAlias = kMciErrBase + 33;      // 289
inline constexpr uint32_t kMciErrNoClosingQuote = kMciErrBase + 38;      // 294
inline constexpr uint32_t kMciErrInvalidFile = kMciErrBase + 40;         // 296
// Further codes of the same family, for malformed commands.
inline constexpr uint32_t kMciErrUnrecognizedKeyword = kMciErrBase + 3;    // 259
inline constexpr uint32_t kMciErrMissingCommandString = kMciErrBase + 11;  // 267
inline constexpr uint32_t kMciErrBadInteger = kMciErrBase + 14;            // 270
inline constexpr uint32_t kMciErrMissingParameter = kMciErrBase + 17;      // 273
inline constexpr uint32_t kMciErrMissingDeviceName = kMciErrBase + 36;     // 292

}  // namespace platform

// Declared at global scope under its Windows name, as the game's declarations module had it.
uint32_t mciSendStringA(const char* command, char* reply, uint32_t replyLength, intptr_t callbackWindow);

namespace platform {

// How the sequencer device is backed. The default opens an SDL audio device; tests choose Offline and
// drive playback with renderOffline(), so nothing depends on a sound card.
enum class AudioSink { Device, Offline };
void mciSetAudioSink(AudioSink sink);
// Offline sink: synthesize ms of audio for every open sequencer (advancing its playback position).
void mciRenderOffline(int ms);
// Offline sink: the loudest sample (absolute value) of the last mciRenderOffline, over every device.
float mciOfflinePeak();
// Sound font used by the sequencer (default: /usr/share/sounds/sf2/default-GM.sf2).
void mciSetSoundFont(const char* path);
// Wait until every device's start-up has finished, ready or not (tests and benchmarks only).
void mciWaitReady();
// Close every device (shut-down of the program, and between tests).
void mciCloseAll();
// Every command string sent, in order (tests read this to check the exact command sequence).
void mciRecordCommands(bool on);
const char* const* mciRecordedCommands(int* count);
void mciClearRecordedCommands();

}  // namespace platform
