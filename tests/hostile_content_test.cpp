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
#include <string>
#include <vector>

// The tests write their own JPEGs (CMYK, progressive) with the encoder half of the library.
#include <jpeglib.h>

#include "app/fom.h"
#include "platform/media/image.h"
#include "platform/media/mci.h"
#include "platform/media/midi_file.h"
#include "platform/runtime/app.h"
#include "tests/support/game_harness.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;
namespace fs = std::filesystem;

namespace {

// A solid picture of one colour, encoded as JPEG. components 3: the colour is RGB; 4: it is CMYK as
// given, with an Adobe marker or without. progressive: the encoder's usual scans.
std::string encodeJpeg(int width, int height, std::vector<unsigned char> colour, bool adobe = false,
                       bool progressive = false) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = static_cast<int>(colour.size());
  cinfo.in_color_space = colour.size() == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (colour.size() == 4) cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), colour.begin(), colour.end());
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(out), outSize);
  std::free(out);
  return bytes;
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
  EXPECT_NE(big.error.find("2048 MiB, more than the 64 MiB"), std::string::npos) << big.error;
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

// ---- Scenarios and the problem log ----

TEST(HostileContent, ScenariosThatAreNoFilesOrNeverEndAreBounded) {
  TestContent content;
  content.picture("ttl", "ui_green");
  const fs::path txt = content.root() / "txt";
  ASSERT_EQ(mkfifo((txt / "opn.dat").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", txt / "00.dat");
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
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_LT(seconds, 1.0) << "neither the FIFO nor the device is waited on";
  EXPECT_NE(err.find("opn.dat: is a FIFO, not a file"), std::string::npos) << err;
  EXPECT_NE(err.find("00.dat: is a character device, not a file"), std::string::npos) << err;

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

// ---- Music ----

namespace {

std::string be(uint32_t v, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 255));
  return out;
}

// A standard MIDI file of `tracks` copies of one track.
std::string midiFile(const std::string& trackEvents, int tracks = 1) {
  std::string file = "MThd" + be(6, 4) + be(1, 2) + be(static_cast<uint32_t>(tracks), 2) + be(480, 2);
  const std::string body = trackEvents + std::string("\x00\xFF\x2F\x00", 4);
  for (int t = 0; t < tracks; ++t) file += "MTrk" + be(static_cast<uint32_t>(body.size()), 4) + body;
  return file;
}

}  // namespace

TEST(HostileContent, MusicNoSynthesiserCouldPlayIsRefusedAndNamed) {
  const std::string note("\x00\x90\x3C\x40\x60\x80\x3C\x00", 8);  // a quarter note at tick 0
  platform::MidiFileInfo info;
  std::string smf, problem;
  ASSERT_TRUE(platform::parseMidiFile(midiFile(note), &info, &smf, &problem)) << problem;

  // A flood: 100,000 notes at tick 0 (running status: three bytes each).
  std::string flood("\x00\x90\x3C\x40", 4);
  for (int i = 0; i < 100000; ++i) flood += std::string("\x00\x3C\x40", 3);
  EXPECT_FALSE(platform::parseMidiFile(midiFile(flood), &info, &smf, &problem));
  EXPECT_NE(problem.find("it starts 100001 notes within 100 ms at 0 s"), std::string::npos) << problem;
  // A chord of 64 voices at every beat is music.
  std::string chords;
  for (int beat = 0; beat < 100; ++beat) {
    for (int v = 0; v < 64; ++v)
      chords += std::string(v == 0 && beat > 0 ? "\x83\x60" : "\x00", v == 0 && beat > 0 ? 2 : 1) +
                std::string("\x90\x3C\x40", 3);
  }
  EXPECT_TRUE(platform::parseMidiFile(midiFile(chords), &info, &smf, &problem)) << problem;

  EXPECT_FALSE(platform::parseMidiFile(midiFile(std::string("\x00\xFF\x51\x03\x00\x00\x00", 7) + note), &info,
                                       &smf, &problem));
  EXPECT_NE(problem.find("tempo of 0"), std::string::npos) << problem;
  EXPECT_FALSE(platform::parseMidiFile(midiFile(note, 129), &info, &smf, &problem));
  EXPECT_NE(problem.find("it has 129 tracks; the synthesiser plays at most 128"), std::string::npos)
      << problem;

  // The slowest tempo over the longest a file can last, and times no file has: saturated, never wrapped.
  platform::MidiFileInfo slow;
  slow.ticksPerQuarter = 1;
  slow.tempos.push_back({0, 0xFFFFFF});
  EXPECT_GT(slow.ticksToMs(int64_t{1} << 50), 0);
  EXPECT_EQ(slow.ticksToMs(INT64_MAX), INT64_MAX / 1000);
  EXPECT_GE(slow.msToTicks(INT64_MAX), 0);
  EXPECT_GE(info.msToTicks(INT64_MAX), 0);
}

TEST(HostileContent, AMusicFileThatIsNoFileOrTooLargeIsNamedForWhatItIs) {
  TestContent content;
  platform::mciSetAudioSink(platform::AudioSink::Offline);
  const fs::path root = content.root();
  ASSERT_EQ(mkfifo((root / "fifo.mid").c_str(), 0600), 0);
  fs::create_directory(root / "folder.mid");
  {
    std::ofstream big(root / "big.mid", std::ios::binary);
    big << "MThd";
  }
  fs::resize_file(root / "big.mid", uint64_t{2} << 30);
  const std::pair<const char*, const char*> cases[] = {{"fifo.mid", "is a FIFO, not a file"},
                                                       {"folder.mid", "is a folder, not a file"},
                                                       {"big.mid", "is 2048 MiB, more than the 4 MiB"}};
  for (const auto& [name, says] : cases) {
    ::testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    mciSendStringA(("open \"" + (root / name).string() + "\" alias MIDI").c_str(), nullptr, 0, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string err = ::testing::internal::GetCapturedStderr();
    mciSendStringA("close MIDI", nullptr, 0, 0);
    EXPECT_NE(err.find(says), std::string::npos) << err;
    EXPECT_LT(seconds, 1.0) << name;
  }
}
