// The Windows media backends where they differ from Linux: pictures decoded by WIC against
// libjpeg-turbo's pixels and within the same limits, content files that are not disk files, the
// executable's folder, and the music's command strings through the real winmm.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/executable_path.h"
#include "platform/media/image.h"
#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/problems.h"
#include "platform/runtime/utf16.h"

namespace fs = std::filesystem;

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A binary PPM (P6, maxval 255) as 0xAARRGGBB; empty when it is not one.
platform::Image readPpm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  platform::Image image;
  if (magic != "P6" || maxval != 255 || width <= 0 || height <= 0) return image;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  image.width = width;
  image.height = height;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    image.pixels.push_back(0xFF000000u | (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2]);
  }
  return image;
}

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) : path_(fs::temp_directory_path() / fs::u8path(name)) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string utf8(const std::string& leaf = "") const {
    const fs::path p = leaf.empty() ? path_ : path_ / fs::u8path(leaf);
    const std::u8string s = p.generic_u8string();
    return std::string(s.begin(), s.end());
  }

 private:
  fs::path path_;
};

TEST(WindowsPictures, BundledPicturesMatchLibjpegTurbo) {
  const fs::path content = env("LANTERNFALL_CONTENT");
  const fs::path reference = env("LANTERNFALL_REFERENCE");
  if (reference.empty()) GTEST_SKIP() << "LANTERNFALL_REFERENCE names no folder of reference pixels";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(content / "img")) {
    const std::string name = entry.path().stem().string();
    const platform::Image want = readPpm(reference / (name + ".ppm"));
    ASSERT_FALSE(want.empty()) << name << ": no reference pixels";
    std::string error;
    const auto got = platform::loadImageFile(entry.path().string(), &error);
    ASSERT_TRUE(got) << error;
    ASSERT_EQ(got->width, want.width) << name;
    ASSERT_EQ(got->height, want.height) << name;
    // Two decoders may round the inverse DCT and the chroma upsampling differently, by a few levels.
    uint64_t total = 0;
    size_t far = 0;
    for (size_t i = 0; i < want.pixels.size(); ++i) {
      for (int shift : {0, 8, 16}) {
        const int d = std::abs(int((got->pixels[i] >> shift) & 0xFF) - int((want.pixels[i] >> shift) & 0xFF));
        total += d;
        if (d > 24) ++far;
      }
    }
    const double mean = double(total) / (want.pixels.size() * 3.0);
    EXPECT_LT(mean, 2.0) << name;
    EXPECT_LT(far, want.pixels.size() * 3 / 1000) << name;
    EXPECT_EQ(got->pixels[0] >> 24, 0xFFu) << name << ": a JPEG is opaque";
    ++compared;
  }
  EXPECT_GE(compared, 2);
}

TEST(WindowsPictures, ShownSmallerIsHeldAtTheShownSize) {
  const std::string ttl = (fs::path(env("LANTERNFALL_CONTENT")) / "img" / "ttl.jpg").string();
  std::string error;
  const auto whole = platform::loadPictureFile(ttl, 0, 0, &error);
  ASSERT_TRUE(whole) << error;
  const auto small = platform::loadPictureFile(ttl, whole->width / 3, whole->height / 3, &error);
  ASSERT_TRUE(small) << error;
  EXPECT_EQ(small->width, whole->width);  // the picture's own size is still told
  EXPECT_EQ(small->image.width, whole->width / 3);
  EXPECT_EQ(small->image.height, whole->height / 3);
}

// A picture a scene shows again comes from the cache, told by what the file is: the same length and time
// answer from the cache, a later time is decoded afresh.
TEST(WindowsPictures, PicturesThatComeBackAreNotDecodedAgainUnlessTheFileChanged) {
  ScratchFolder dir("lanternfall-wic-cache");
  const fs::path img = fs::path(env("LANTERNFALL_CONTENT")) / "img";
  std::string title = readBytes(img / "ttl.jpg"), other;
  for (const auto& entry : fs::directory_iterator(img)) {
    if (entry.path().filename() != "ttl.jpg") other = readBytes(entry.path());
  }
  // Padded after the end marker to one length, so that only the time tells them apart.
  const size_t length = std::max(title.size(), other.size());
  title.resize(length, '\0');
  other.resize(length, '\0');
  const fs::path shown = dir.path() / "shown.jpg";
  std::ofstream(shown, std::ios::binary) << title;
  // In whole seconds: the C library sets file times no finer than that.
  const auto time = std::chrono::floor<std::chrono::seconds>(fs::last_write_time(shown));
  fs::last_write_time(shown, time);
  platform::installPictureDecoder();
  auto decoded = [&] { return platform::decodePictureFile(dir.utf8("shown.jpg"), 64, 48)->image.pixels; };
  const std::vector<uint32_t> first = decoded();
  for (int i = 0; i < 2; ++i) ASSERT_EQ(decoded(), first);
  std::fstream(shown, std::ios::in | std::ios::out | std::ios::binary)
      .write(other.data(), std::streamsize(length));
  fs::last_write_time(shown, time);
  EXPECT_EQ(decoded(), first) << "answered from the cache";
  fs::last_write_time(shown, time + std::chrono::seconds(1));
  EXPECT_NE(decoded(), first) << "an edited file is decoded afresh";
}

TEST(WindowsPictures, InvalidInput_RefusedByTheSameLimitsAsOnLinux) {
  ScratchFolder dir("lanternfall-wic-limits");
  const std::string jpeg = readBytes(fs::path(env("LANTERNFALL_CONTENT")) / "img" / "ttl.jpg");
  ASSERT_GT(jpeg.size(), 100u);
  // A header claiming 60000 x 60000 pixels: refused before anything is decoded.
  std::string huge = jpeg;
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = char(0xEA);
  huge[sof + 6] = huge[sof + 8] = char(0x60);
  std::ofstream(dir.path() / "huge.jpg", std::ios::binary) << huge;
  // The header and then a hundred and one empty scans.
  const size_t sos = jpeg.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  const size_t sosLength = (size_t(uint8_t(jpeg[sos + 2])) << 8) | uint8_t(jpeg[sos + 3]);
  std::string scans = jpeg.substr(0, sos);
  for (int i = 0; i < 101; ++i) scans += jpeg.substr(sos, 2 + sosLength) + std::string("\x00", 1);
  scans += "\xFF\xD9";
  std::ofstream(dir.path() / "scans.jpg", std::ios::binary) << scans;
  std::ofstream(dir.path() / "png.jpg", std::ios::binary) << std::string("\x89PNG\r\n\x1A\n", 8);
  std::ofstream(dir.path() / "cut.jpg", std::ios::binary) << jpeg.substr(0, 200);
  fs::create_directories(dir.path() / "folder.jpg");

  const std::pair<std::string, std::string> cases[] = {
      {dir.utf8("huge.jpg"), "is too large (60000 x 60000 pixels"},
      {dir.utf8("scans.jpg"), "has more than 100 progressive scans"},
      {dir.utf8("png.jpg"), "is a PNG, not a JPEG"},
      {dir.utf8("folder.jpg"), "is a folder, not a file"},
      {dir.utf8("missing.jpg"), "No such file or directory"},
      {"NUL", "is a character device, not a file"},
  };
  for (const auto& [path, why] : cases) {
    std::string error;
    EXPECT_FALSE(platform::loadPictureFile(path, 0, 0, &error)) << path;
    EXPECT_NE(error.find(why), std::string::npos) << path << ": " << error;
  }
  std::string error;
  const auto cut = platform::loadPictureFile(dir.utf8("cut.jpg"), 0, 0, &error);
  EXPECT_TRUE(!cut || !cut->image.empty()) << "a cut file is refused or shown as far as it goes";
}

TEST(WindowsContentFiles, CrLfSurvivesAndAJapaneseFolderOpens) {
  ScratchFolder dir("lanternfall-日本語 フォルダ");
  std::ofstream(dir.path() / fs::u8path("台本.dat"), std::ios::binary) << "a\r\nb\rc\nd\r\n";
  const int n = platform::FreeFile();
  ASSERT_TRUE(platform::OpenForInput(n, dir.utf8("台本.dat")));
  std::vector<std::string> lines;
  while (!platform::Eof(n)) lines.push_back(platform::LineInput(n));
  platform::Close(n);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c\nd"}));
  EXPECT_EQ(platform::nonRegularKind(dir.utf8()), "a folder");
  EXPECT_EQ(platform::nonRegularKind("NUL"), "a character device");
  EXPECT_EQ(platform::nonRegularKind(dir.utf8("台本.dat")), "");
}

TEST(WindowsText, Utf16ForTheWideFunctions) {
  // A character beyond the BMP takes a surrogate pair; a lone surrogate and broken UTF-8 become U+FFFD.
  EXPECT_EQ(platform::wideFromUtf8("a\xF0\xA0\xAE\xB7"
                                   "b"),
            std::wstring(L"a\xD842\xDFB7"
                         L"b"));
  EXPECT_EQ(platform::utf8FromWide(std::wstring(L"a\xD842\xDFB7"
                                                L"b")),
            "a\xF0\xA0\xAE\xB7"
            "b");
  EXPECT_EQ(platform::utf8FromWide(std::wstring(L"\xD842x")), "\xEF\xBF\xBDx");
  EXPECT_EQ(platform::wideFromUtf8("\xE3\x81x"), std::wstring(L"\xFFFD\xFFFDx"));
}

TEST(WindowsApplication, AppPathIsTheExecutablesFolderWithSlashes) {
  platform::installExecutablePath();
  const std::string path = platform::AppPath();
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path[1], ':') << path;
  EXPECT_EQ(path.find('\\'), std::string::npos) << path;
  EXPECT_TRUE(fs::exists(fs::u8path(path) / "media_win_test.exe")) << path;
}

// The music's commands, as the game sends them, answered by winmm itself from a folder named in Japanese.
TEST(WindowsMusic, TheGamesCommandStringsReachWinmm) {
  ScratchFolder dir("lanternfall-音楽");
  fs::copy_file(fs::path(env("LANTERNFALL_CONTENT")) / "bgm.mid", dir.path() / "bgm.mid");
  const std::string open = platform::encodeCp932("open \"" + dir.utf8("bgm.mid") + "\" alias MIDI");
  mciSendStringA("close MIDI notify", nullptr, 0, 0);
  ASSERT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u) << open;
  char mode[16];
  std::fill(mode, mode + 16, ' ');
  ASSERT_EQ(mciSendStringA("status MIDI mode", mode, 15, 0), 0u);
  EXPECT_EQ(std::string(mode), "stopped") << "opened at its beginning, not playing";
  EXPECT_EQ(mode[15], ' ') << "past the given length nothing is written";
  mciSendStringA("play MIDI notify", nullptr, 0, 0);
  EXPECT_EQ(mciSendStringA("seek MIDI to start", nullptr, 0, 0), 0u);
  mciSendStringA("play MIDI from 0", nullptr, 0, 0);
  EXPECT_EQ(mciSendStringA("close MIDI notify", nullptr, 0, 0), 0u);
  // Closed: the poll's query fails and leaves its buffer blank, so nothing is restarted.
  std::fill(mode, mode + 16, ' ');
  EXPECT_NE(mciSendStringA("status MIDI mode", mode, 15, 0), 0u);
  EXPECT_EQ(std::string(mode, 16), std::string(16, ' '));
  EXPECT_NE(mciSendStringA("close MIDI notify", nullptr, 0, 0), 0u);
}

TEST(WindowsMusic, InvalidInput_AMissingFileIsNotOpened) {
  ScratchFolder dir("lanternfall-no-music");
  const std::string open = "open \"" + dir.utf8("bgm.mid") + "\" alias MIDI";
  EXPECT_NE(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u);
  char mode[16] = "untouched";
  EXPECT_NE(mciSendStringA("status MIDI mode", mode, 15, 0), 0u);
  EXPECT_STREQ(mode, "untouched");
}

// A file no synthesizer could play never reaches the system's, and is named as on Linux.
TEST(WindowsMusic, InvalidInput_AFloodOfNotesIsRefusedAndNamed) {
  ScratchFolder dir("lanternfall-flood");
  std::string track("\x00\x90\x3C\x40", 4);
  for (int i = 0; i < 100000; ++i) track += std::string("\x00\x3C\x40", 3);
  track += std::string("\x00\xFF\x2F\x00", 4);
  const uint32_t n = static_cast<uint32_t>(track.size());
  const std::string length{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
  std::ofstream(dir.path() / "bgm.mid", std::ios::binary)
      << std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) << "MTrk" << length << track;
  ::testing::internal::CaptureStderr();
  const std::string open = "open \"" + dir.utf8("bgm.mid") + "\" type sequencer alias MIDI";
  EXPECT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), platform::kMciErrInvalidFile);
  platform::flushProblems();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("is not played: it starts 100001 notes within 100 ms"), std::string::npos) << err;
  EXPECT_NE(mciSendStringA("status MIDI mode", nullptr, 0, 0), 0u) << "nothing was opened";
}

}  // namespace
