// Content from strangers: files that are not what their names say, that never end, that claim sizes no
// machine has, or that would keep a decoder busy for minutes. Each is refused or played within bounds,
// named on stderr, and the game goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

// The tests write their own JPEGs (CMYK, progressive) with the encoder half of the library.

#include "app/fom.h"
#include "platform/media/content_file.h"
#include "platform/media/decoded_picture_cache.h"
#include "platform/media/image.h"
#include "platform/runtime/app.h"
#include "tests/support/game_harness.h"
#include "tests/support/jpeg_writer.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;
namespace fs = std::filesystem;

namespace {

// A solid picture of one colour, encoded as JPEG. components 3: the colour is RGB; 4: it is CMYK as
// given, with an Adobe marker or without. progressive: the encoder's usual scans.
std::string encodeJpeg(int width, int height, std::vector<unsigned char> colour, bool adobe = false,
                       bool progressive = false) {
  const int components = static_cast<int>(colour.size());
  return testing_support::encodeJpeg(
      width, height, components,
      [&](unsigned, unsigned char* row) {
        for (int x = 0; x < width; ++x) std::copy(colour.begin(), colour.end(), row + x * components);
      },
      progressive, adobe);
}

uint32_t channel(uint32_t pixel, int shift) { return (pixel >> shift) & 255; }

struct Refusal {
  bool refused;
  std::string error;
  double seconds;
};

Refusal load(const fs::path& path) {
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  const bool loaded = platform::loadImageFile(path.string(), &error).has_value();
  return {!loaded, error, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// The game started, its scene box 600 × 600 pixels: the size the pictures below are measured against.
Fom& startWithSquareScene(HeadlessGame& game) {
  game.start();
  Fom& fom = game.fom();
  const platform::RectF r = fom.Pic.pixelRect();
  fom.Pic.setPixelRect({r.x, r.y, 600, 600});
  return fom;
}

}  // namespace

// ---- Pictures ----

TEST(HostileContent, PicturesAreDecodedOnlyAsJpegAndEverythingElseIsNamed) {
  TestContent content;
  const fs::path img = content.root() / "img";
  // A tiny GIF, and headers of other formats declaring 30000 × 30000 pixels: only the name is read.
  content.rawPicture("gif", std::string("GIF89a\x01\0\x01\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0,"
                                        "\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;",
                                        43));
  content.rawPicture(
      "bmp", std::string("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x30\x75\0\0\x30\x75\0\0\x01\0\x18\0", 30));
  content.rawPicture("pnm", "P6\n30000 30000\n255\n");
  content.rawPicture("svg", "<svg width=\"30000\" height=\"30000\"></svg>");
  content.rawPicture("pcx", std::string("\x0a\x05\x01\x08\0\0\0\0\x2f\x75\x2f\x75", 12));
  content.rawPicture("text", "hello\n");
  const std::pair<const char*, const char*> kinds[] = {
      {"gif", "is a GIF, not a JPEG"}, {"bmp", "is a BMP, not a JPEG"},
      {"pnm", "is a PNM, not a JPEG"}, {"svg", "is an SVG or XML file, not a JPEG"},
      {"pcx", "is a PCX, not a JPEG"}, {"text", "is text, not a JPEG"}};
  for (const auto& [name, says] : kinds) {
    const Refusal r = load(img / (std::string(name) + ".jpg"));
    EXPECT_TRUE(r.refused) << name;
    EXPECT_NE(r.error.find(std::string(name) + ".jpg " + says), std::string::npos) << r.error;
  }

  // Not regular files: each refused at once, by what it is, without blocking on a FIFO or reading a
  // device forever; a missing file says why in the system's words.
  ASSERT_EQ(mkfifo((img / "fifo.jpg").c_str(), 0600), 0);
  fs::create_directory(img / "folder.jpg");
  fs::create_symlink("/dev/zero", img / "zero.jpg");
  const std::pair<const char*, const char*> files[] = {{"fifo", "is a FIFO, not a file"},
                                                       {"folder", "is a folder, not a file"},
                                                       {"zero", "is a character device, not a file"},
                                                       {"missing", "No such file or directory"}};
  for (const auto& [name, says] : files) {
    const Refusal r = load(img / (std::string(name) + ".jpg"));
    EXPECT_TRUE(r.refused) << name;
    EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    EXPECT_LT(r.seconds, 1.0) << name;
  }

  // A 2 GiB file (sparse: it takes no disk) is refused from its size before a byte is read.
  {
    std::ofstream big(img / "big.jpg", std::ios::binary);
    big << "\xFF\xD8\xFF";
  }
  fs::resize_file(img / "big.jpg", uint64_t{2} << 30);
  const Refusal big = load(img / "big.jpg");
  EXPECT_TRUE(big.refused);
  EXPECT_NE(big.error.find("2 GiB, more than the 64 MiB"), std::string::npos) << big.error;
  EXPECT_LT(big.seconds, 1.0);
}

TEST(HostileContent, DecodingIsBoundedAndCmykComesOutInItsColours) {
  TestContent content;
  const fs::path img = content.root() / "img";

  // Thousands of scans (here the first DC scan again and again) are stopped at the scan limit.
  const std::string progressive = encodeJpeg(512, 512, {40, 90, 200}, false, true);
  const size_t firstScan = progressive.find("\xFF\xDA");
  const size_t secondScan = progressive.find("\xFF\xDA", firstScan + 2);
  ASSERT_NE(secondScan, std::string::npos);
  std::string bomb = progressive.substr(0, secondScan);
  const std::string dcScan = progressive.substr(firstScan, secondScan - firstScan);
  for (int i = 0; i < 5000; ++i) bomb += dcScan;
  bomb += "\xFF\xD9";
  content.rawPicture("bomb", bomb);
  const Refusal r = load(img / "bomb.jpg");
  EXPECT_TRUE(r.refused);
  EXPECT_NE(r.error.find("more than " + std::to_string(platform::kMaxPictureScans) + " progressive scans"),
            std::string::npos)
      << r.error;
  content.rawPicture("progressive", progressive);
  EXPECT_FALSE(load(img / "progressive.jpg").refused) << "an ordinary progressive file still decodes";

  // A header claiming 60000 × 60000 pixels is refused before the decoder allocates for it.
  std::string huge = encodeJpeg(16, 16, {1, 2, 3});
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge.replace(sof + 5, 4, "\xEA\x60\xEA\x60");
  content.rawPicture("huge", huge);
  EXPECT_NE(load(img / "huge.jpg").error.find("too large (60000 x 60000"), std::string::npos);

  // Red as plain CMYK (ink amounts) and as Adobe's inverted CMYK: both come out red.
  content.rawPicture("cmyk", encodeJpeg(16, 16, {0, 255, 255, 0}, false));
  content.rawPicture("adobe", encodeJpeg(16, 16, {255, 0, 0, 255}, true));
  for (const char* name : {"cmyk", "adobe"}) {
    std::string error;
    auto image = platform::loadImageFile((img / (std::string(name) + ".jpg")).string(), &error);
    ASSERT_TRUE(image) << error;
    const uint32_t p = image->at(8, 8);
    EXPECT_GT(channel(p, 16), 230u) << name;
    EXPECT_LT(channel(p, 8), 25u) << name;
    EXPECT_LT(channel(p, 0), 25u) << name;
  }
}

TEST(HostileContent, APictureShownSmallerIsDecodedSmallerAndLooksTheSame) {
  TestContent content;
  content.picture("ttl", "ui_green");
  content.picture("photo", "ui_photo_1920x1080");
  HeadlessGame game(content);
  Fom& fom = startWithSquareScene(game);
  fom.ShowPicture("photo");

  // E takes the picture's own size, whatever scale it holds the pixels at.
  EXPECT_FLOAT_EQ(fom.E.ScaleWidth(), 1920);
  EXPECT_FLOAT_EQ(fom.E.ScaleHeight(), 1080);
  // Decoded at half size (960 x 540), then held no wider than the 600 x 600 box it is shown in.
  EXPECT_EQ(fom.E.Picture().width, 600);
  EXPECT_EQ(fom.E.Picture().height, 540);

  platform::PictureBox whole(&fom.Me, "whole"), painted(&fom.Me, "painted");
  ASSERT_TRUE(whole.LoadPicture((content.root() / "img/photo.jpg").string()));
  painted.setPixelRect({0, 0, 600, 600});
  painted.PaintPicture(whole, 0, 0, 600, 600, 0, 0, 1920, 1080);
  const platform::Image& seen = fom.Pic.retained();
  ASSERT_EQ(seen.pixels.size(), painted.retained().pixels.size());
  uint32_t worst = 0;
  for (size_t i = 0; i < seen.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int d = static_cast<int>(channel(seen.pixels[i], shift)) -
                    static_cast<int>(channel(painted.retained().pixels[i], shift));
      worst = std::max(worst, static_cast<uint32_t>(std::abs(d)));
    }
  }
  EXPECT_LE(worst, 6u) << "the scene looks as it would from the whole picture";
}

// A small progressive picture whose header claims another size: the decoder takes the claim (and fills in
// what the scans do not hold), as it would from a stranger's file.
std::string progressiveClaiming(int width, int height) {
  std::string jpeg = encodeJpeg(64, 64, {90, 60, 30}, false, true);
  const size_t sof = jpeg.find("\xFF\xC2");
  EXPECT_NE(sof, std::string::npos);
  const char dims[4] = {char(height >> 8), char(height & 255), char(width >> 8), char(width & 255)};
  jpeg.replace(sof + 5, 4, dims, 4);
  return jpeg;
}

TEST(HostileContent, PicturesOfOddShapesDecodeNearTheirBoxWithinOneBudget) {
  TestContent content;
  const fs::path img = content.root() / "img";
  content.rawPicture("wide", progressiveClaiming(32000, 512));
  content.rawPicture("tall", progressiveClaiming(512, 32000));
  content.rawPicture("huge", progressiveClaiming(8192, 8192));
  // One axis small is no reason to decode the other whole: 1/8 scale, then held no larger than the box.
  std::string error;
  auto wide = platform::loadPictureFile((img / "wide.jpg").string(), 600, 600, &error);
  ASSERT_TRUE(wide) << error;
  EXPECT_EQ(wide->width, 32000);
  EXPECT_EQ(wide->height, 512);
  EXPECT_EQ(wide->image.width, 600);
  EXPECT_EQ(wide->image.height, 512 / 8);
  auto tall = platform::loadPictureFile((img / "tall.jpg").string(), 600, 600, &error);
  ASSERT_TRUE(tall) << error;
  EXPECT_EQ(tall->image.width, 512 / 8);
  EXPECT_EQ(tall->image.height, 600);
  // Its coefficients alone (192 MiB, whatever the scale) are past the budget: refused before they are made.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::loadPictureFile((img / "huge.jpg").string(), 600, 600, &error));
  EXPECT_NE(error.find("huge.jpg needs more than " +
                       platform::describeBytes(platform::kMaxDecoderMemoryBytes) + " to decode"),
            std::string::npos)
      << error;
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
}

// A scene that goes back and forth between two pictures decodes each once: the cache answers by what the
// file is, so an edited file (another size or time) is decoded afresh.
TEST(HostileContent, PicturesThatComeBackAreNotDecodedAgainUnlessTheFileChanged) {
  TestContent content;
  platform::installPictureDecoder();
  const fs::path a = content.root() / "img/a.jpg", b = content.root() / "img/b.jpg";
  // The same length for every version, so that only the time can tell them apart.
  auto picture = [](std::vector<unsigned char> rgb) {
    std::string bytes = encodeJpeg(16, 16, std::move(rgb));
    bytes.resize(4096, '\0');  // after the end marker: ignored by the decoder
    return bytes;
  };
  auto red = [](const std::optional<platform::DecodedPicture>& p) {
    return p ? channel(p->image.at(8, 8), 16) : 0;
  };
  auto overwrite = [](const fs::path& path, const std::string& bytes) {
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
  };
  std::ofstream(a, std::ios::binary) << picture({250, 0, 0});
  std::ofstream(b, std::ios::binary) << picture({0, 0, 250});
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(red(platform::decodePictureFile(a.string(), 16, 16)), 200u);
    EXPECT_LT(red(platform::decodePictureFile(b.string(), 16, 16)), 50u);
  }
  // The same file, same length, same time, other pixels: still the picture decoded before.
  const auto time = fs::last_write_time(a);
  overwrite(a, picture({0, 250, 0}));
  fs::last_write_time(a, time);
  EXPECT_GT(red(platform::decodePictureFile(a.string(), 16, 16)), 200u) << "answered from the cache";
  // Edited (its time moves on): decoded afresh.
  fs::last_write_time(a, time + std::chrono::seconds(1));
  EXPECT_LT(red(platform::decodePictureFile(a.string(), 16, 16)), 50u);
  EXPECT_EQ(platform::pictureFileIdentity(a.string()),
            platform::pictureFileIdentity((content.root() / "img/../img/a.jpg").string()));
  EXPECT_NE(platform::pictureFileIdentity(a.string()), platform::pictureFileIdentity(b.string()));

  // Within its budget: the pictures decoded last are kept, the least recently used go first.
  platform::DecodedPictureCache cache(4 * 100 * 100 * 4);
  platform::DecodedPictureCache::Entry entry{{100, 100, {100, 100, std::vector<uint32_t>(100 * 100)}}, false};
  for (const char* key : {"1", "2", "3", "4", "1", "5"}) {
    if (!cache.find(key)) cache.keep(key, entry);
  }
  EXPECT_TRUE(cache.find("1") && cache.find("5") && cache.find("4"));
  EXPECT_FALSE(cache.find("2")) << "the least recently used went first";
  EXPECT_LE(cache.bytesKept(), uint64_t{4 * 100 * 100 * 4});
  // Only a picture that comes back is worth a copy.
  EXPECT_FALSE(cache.cameBack("title"));
  EXPECT_FALSE(cache.cameBack("scene"));
  EXPECT_TRUE(cache.cameBack("title"));
}

// ---- Scenarios and the problem log ----

TEST(HostileContent, ScenariosThatAreNoFilesOrNeverEndAreBounded) {
  TestContent content;
  content.picture("ttl", "ui_green");
  const fs::path txt = content.root() / "txt";
  ASSERT_EQ(mkfifo((txt / "opn.dat").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", txt / "00.dat");
  // 100 GiB that take a few bytes on disk: refused by the size, not read to the end of a line.
  std::ofstream(txt / "02.dat") << "x";
  fs::resize_file(txt / "02.dat", uint64_t{100} << 30);
  // One line of 20 MiB with no line end: read up to the cap, the rest passed over.
  {
    std::ofstream out(txt / "01.dat", std::ios::binary);
    out << std::string(size_t{20} << 20, 'a');
  }
  HeadlessGame game(content);
  game.start();
  Fom& fom = game.fom();

  ::testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  fom.StartScenario("opn");
  fom.StartScenario("00");
  fom.StartScenario("02");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_LT(seconds, 1.0) << "neither the FIFO nor the device is waited on";
  EXPECT_NE(err.find("opn.dat: is a FIFO, not a file"), std::string::npos) << err;
  EXPECT_NE(err.find("00.dat: is a character device, not a file"), std::string::npos) << err;
  EXPECT_NE(err.find("02.dat: is 100 GiB, more than the 64 MiB a scenario may have; playing it as empty"),
            std::string::npos)
      << err;

  ::testing::internal::CaptureStderr();
  fom.StartScenario("01");
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("01.dat: line 1 is longer than 16 MiB"), std::string::npos) << err;
  EXPECT_EQ(game.page(), "\n" + std::string(65536, 'a') + "▼")
      << "an empty row, as much of the line as can be seen, and the mark";
}

TEST(HostileContent, AMillionPictureLinesInOneStepShowWhatOneWouldAndAreNamedOnce) {
  TestContent content;
  content.picture("ttl", "ui_green");
  content.picture("red", "ui_red");
  content.picture("photo", "ui_photo_1920x1080");
  content.rawPicture("gif", "GIF89a");
  // Going back and forth between two pictures, a missing one, a foreign one and an alias of the first
  // ("./red" is the same file), and ending on the photograph.
  std::string lines = "first\r\n";
  const char* kNames[] = {">img red", ">img photo", ">img nowhere", ">img gif", ">img ./red"};
  constexpr int kLines = 1000000;
  lines.reserve(kLines * 12);
  for (int i = 0; i < kLines - 1; ++i) (lines += kNames[i % 5]) += "\r\n";
  lines += ">img photo\r\nlast\r\n>img gif\r\nafter\r\n";
  content.rawScenario("opn", lines);
  HeadlessGame game(content);
  Fom& fom = startWithSquareScene(game);
  fom.StartScenario("opn");

  ::testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  fom.lbl_Click(0);  // one step: a million picture lines, then "last"
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  platform::flushProblems();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(game.page().find("last"), std::string::npos);
  std::printf("a million picture lines in one step: %.2f s\n", seconds);

  // The step's last picture, painted as one ShowPicture of it paints it.
  EXPECT_FLOAT_EQ(fom.E.ScaleWidth(), 1920);
  const platform::Image seen = fom.Pic.retained();
  fom.ShowPicture("photo");
  EXPECT_TRUE(seen.pixels == fom.Pic.retained().pixels) << "what the player sees is what one line shows";

  // Each refused file named once, then counted. Only the picture left on screen was decoded: the
  // foreign file is no picture, but the step never needed to find that out.
  size_t lineCount = 0;
  for (char c : err) lineCount += c == '\n';
  EXPECT_LE(lineCount, 10u) << err.substr(0, 2000);
  EXPECT_NE(err.find("picture \"nowhere\" not shown"), std::string::npos) << err.substr(0, 2000);
  EXPECT_EQ(err.find("GIF"), std::string::npos) << err.substr(0, 2000);
  EXPECT_NE(err.find("more like it"), std::string::npos) << err.substr(0, 2000);

  // A step that ends on the foreign file decodes it, names it and leaves the photograph in place.
  ::testing::internal::CaptureStderr();
  fom.lbl_Click(0);
  const std::string next = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(game.page().find("after"), std::string::npos);
  EXPECT_NE(next.find("is a GIF, not a JPEG"), std::string::npos) << next;
  EXPECT_TRUE(seen.pixels == fom.Pic.retained().pixels);
}
