// speech-dispatcher through libspeechd, which is loaded when the player first turns voicing on: linked,
// it and GLib would be mapped at every launch. Requests go to a thread of its own, in order, a bounded
// number at a time, so that the loop never waits on the service or on its start.
#include <dlfcn.h>
#include <libspeechd.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/media/system_speech.h"
#include "platform/runtime/problems.h"

namespace platform {
namespace {

// More than a page of rows: what a player skipping on asks for faster than it is spoken is dropped,
// oldest first.
constexpr size_t kMaxQueuedRequests = 32;

struct Request {
  std::string utf8;  // empty: only cut off what is being said
  bool cutOff = false;
};

struct SpeechDispatcherApi {
  decltype(&::spd_open2) open = nullptr;
  decltype(&::spd_close) close = nullptr;
  decltype(&::spd_say) say = nullptr;
  decltype(&::spd_cancel) cancel = nullptr;
  decltype(&::spd_set_language) setLanguage = nullptr;
};

template <typename Function>
bool bind(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(library, name));
  return *function != nullptr;
}

// Empty *why: loaded. Loaded once for the run; it stays loaded.
bool loadSpeechDispatcher(SpeechDispatcherApi* api, std::string* why) {
  void* library = dlopen(LANTERNFALL_SPEECHD_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* error = dlerror();
    *why = error ? error : "libspeechd does not load";
    return false;
  }
  if (bind(library, "spd_open2", &api->open) && bind(library, "spd_close", &api->close) &&
      bind(library, "spd_say", &api->say) && bind(library, "spd_cancel", &api->cancel) &&
      bind(library, "spd_set_language", &api->setLanguage)) {
    return true;
  }
  *why = "libspeechd lacks a function the game needs";
  return false;
}

// What the loop's thread and the speaking thread share. The thread holds it too, so that a program ending
// while the service is still starting need not wait for it.
struct Channel {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Request> queue;
  bool quit = false;
  bool connecting = false;
};

void speakRequests(std::shared_ptr<Channel> channel) {
  SpeechDispatcherApi api;
  std::string why;
  SPDConnection* connection = nullptr;
  if (loadSpeechDispatcher(&api, &why)) {
    char* error = nullptr;
    // The address comes from SPEECHD_ADDRESS when it is set; a service not running is started.
    connection = api.open("lanternfall", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
    if (!connection) why = error ? error : "speech-dispatcher does not answer";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    free(error);
  }
  if (connection) api.setLanguage(connection, "ja");
  std::unique_lock<std::mutex> lock(channel->mutex);
  // Under the lock, so that a program already ending (and its problem log with it) is told nothing.
  if (!connection && !channel->quit) reportProblem("the text is not spoken: " + why);
  channel->connecting = false;
  for (;;) {
    channel->wake.wait(lock, [&] { return channel->quit || !channel->queue.empty(); });
    if (channel->quit) break;
    Request r = std::move(channel->queue.front());
    channel->queue.pop_front();
    if (!connection) continue;  // no service: every request is dropped
    lock.unlock();
    if (r.cutOff) api.cancel(connection);
    // Of speech-dispatcher's priorities, "message" queues behind its like; a "text" arriving while
    // another is spoken stops that one.
    if (!r.utf8.empty()) api.say(connection, SPD_MESSAGE, r.utf8.c_str());
    lock.lock();
  }
  lock.unlock();
  if (connection) api.close(connection);
}

class SpeechDispatcherSink : public SpeechSink {
 public:
  ~SpeechDispatcherSink() override {
    if (!worker_.joinable()) return;
    bool stillConnecting = false;
    {
      std::lock_guard<std::mutex> hold(channel_->mutex);
      channel_->quit = true;
      stillConnecting = channel_->connecting;
    }
    channel_->wake.notify_one();
    // The program is ending: a service still starting is not waited for.
    if (stillConnecting) {
      worker_.detach();
    } else {
      worker_.join();
    }
  }

  void say(std::string_view utf8, bool interrupt) override { post(Request{std::string(utf8), interrupt}); }
  void silence() override { post(Request{std::string(), true}); }

 private:
  void post(Request r) {
    {
      std::lock_guard<std::mutex> hold(channel_->mutex);
      // Cutting off what is being said also drops what was still to be said.
      if (r.cutOff) channel_->queue.clear();
      if (channel_->queue.size() >= kMaxQueuedRequests) channel_->queue.pop_front();
      channel_->queue.push_back(std::move(r));
      if (!worker_.joinable()) {
        channel_->connecting = true;
        worker_ = std::thread(speakRequests, channel_);
      }
    }
    channel_->wake.notify_one();
  }

  std::shared_ptr<Channel> channel_ = std::make_shared<Channel>();
  std::thread worker_;
};

}  // namespace

std::unique_ptr<SpeechSink> makeSystemSpeech() { return std::make_unique<SpeechDispatcherSink>(); }

}  // namespace platform
