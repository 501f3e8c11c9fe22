// The real speech service: a private speech-dispatcher whose one output module writes each message it is
// given to a file instead of a sound card, driven through the game's speech sink. Skipped where the
// daemon is not installed or cannot start.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/system_speech.h"
#include "platform/runtime/problems.h"
#include "tests/support/scratch_folder.h"

extern char** environ;

// libspeechd keeps a message of its own when it cannot start the service (the one it hands back is freed).
// Its frames are found only by the slow unwinder: the library is built without frame pointers.
extern "C" const char* __lsan_default_suppressions() { return "leak:spd_open2\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace fs = std::filesystem;

namespace {

constexpr auto kPatience = std::chrono::seconds(20);

void write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::vector<std::string> linesOf(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Until the file holds `count` lines, or the patience runs out.
std::vector<std::string> waitForLines(const fs::path& path, size_t count) {
  const auto until = std::chrono::steady_clock::now() + kPatience;
  std::vector<std::string> lines = linesOf(path);
  while (lines.size() < count && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines = linesOf(path);
  }
  return lines;
}

class SpeechService : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testing_support::processScratchFolder("lanternfall-speech");
    spoken = dir / "spoken.txt";
    fs::create_directories(dir / "modules");
    fs::create_directories(dir / "log");
    // No sound card in a test: ALSA's null device for the module's audio, which this module never uses.
    write(dir / "speechd.conf",
          "AudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n"
          "AddModule \"record\" \"sd_generic\" \"record.conf\"\nDefaultModule \"record\"\n");
    write(dir / "modules" / "record.conf",
          "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " + spoken.string() +
              "\"\nAddVoice \"ja\" \"female1\" \"ja\"\nGenericLanguage \"ja\" \"ja\" \"utf-8\"\n");
    const std::string socket = (dir / "sock").string();
    const std::string config = dir.string(), log = (dir / "log").string(), pidFile = (dir / "pid").string();
    std::vector<std::string> args = {"speech-dispatcher",
                                     "-s",
                                     "-t",
                                     "30",
                                     "-c",
                                     "unix_socket",
                                     "-S",
                                     socket,
                                     "-C",
                                     config,
                                     "-L",
                                     log,
                                     "-m",
                                     "/usr/lib/speech-dispatcher-modules",
                                     "-P",
                                     pidFile};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its cache and runtime files in the scratch folder, not the user's.
    setenv("HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", config.c_str(), 1);
    // Its chatter stays out of the test's output.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&daemon, "speech-dispatcher", &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
      daemon = 0;
      GTEST_SKIP() << "speech-dispatcher is not installed";
    }
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!fs::exists(socket) && std::chrono::steady_clock::now() < until) {
      if (waitpid(daemon, nullptr, WNOHANG) == daemon) {
        daemon = 0;
        GTEST_SKIP() << "speech-dispatcher does not start here";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!fs::exists(socket)) GTEST_SKIP() << "speech-dispatcher opens no socket";
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
  }
  void TearDown() override {
    if (daemon > 0) {
      kill(daemon, SIGTERM);
      waitpid(daemon, nullptr, 0);
    }
  }

  fs::path dir, spoken;
  pid_t daemon = 0;
};

}  // namespace

TEST_F(SpeechService, RowsAreSpokenInOrderAndACutInIsSpokenToo) {
  std::unique_ptr<platform::SpeechSink> speech = platform::makeSystemSpeech();
  speech->say("一行目", false);
  speech->say("二行目", false);
  EXPECT_EQ(waitForLines(spoken, 2), (std::vector<std::string>{"一行目", "二行目"}));
  speech->say("三行目", true);
  EXPECT_EQ(waitForLines(spoken, 3), (std::vector<std::string>{"一行目", "二行目", "三行目"}));
  speech.reset();  // says goodbye to the service and returns
}

// Where no service answers: one line on stderr, however much is asked, and the requests are dropped.
TEST(SpeechServiceAbsent, OneLineAndNothingSpoken) {
  const fs::path dir = testing_support::processScratchFolder("lanternfall-nospeech");
  setenv("SPEECHD_ADDRESS", ("unix_socket:" + (dir / "none").string()).c_str(), 1);
  setenv("HOME", dir.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  std::mutex lock;
  std::vector<std::string> problems;
  platform::setProblemListener([&](const std::string& p) {
    std::lock_guard<std::mutex> hold(lock);
    problems.push_back(p);
  });
  std::unique_ptr<platform::SpeechSink> speech = platform::makeSystemSpeech();
  for (int i = 0; i < 100; ++i) speech->say("一行目", i % 2 == 0);
  const auto until = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(lock);
      if (!problems.empty() || std::chrono::steady_clock::now() > until) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  speech->say("二行目", false);
  speech.reset();
  platform::flushProblems();
  platform::setProblemListener(nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("the text is not spoken"), std::string::npos) << problems[0];
}
