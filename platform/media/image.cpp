// Picture files: JPEG decoding with libjpeg-turbo straight into the runtime's 0xAARRGGBB pixel buffers,
// at a reduced scale when the picture will be shown smaller, with the checks that keep a damaged or
// foreign file from costing more than a refusal.
#include "platform/media/image.h"

#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/media/content_file.h"
#include "platform/runtime/app.h"

namespace platform {

namespace {

// ---- Recognising the format ----

bool startsWith(const std::string& b, const char* magic, size_t n, size_t at = 0) {
  return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
}

// ---- libjpeg's error handling, turned into a jump back to the decoding call ----

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool cutShort;
  bool tooManyScans;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

// Warnings (damaged data the decoder goes past) are not printed; only a file that ends early is told.
void onMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) e->cutShort = true;
  ++cinfo->err->num_warnings;
}

struct ProgressMonitor {
  jpeg_progress_mgr pub;
  ErrorManager* errors;
};

void onProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxPictureScans) {
    auto* p = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
    p->errors->tooManyScans = true;
    std::longjmp(p->errors->jump, 1);
  }
}

// The smallest of 1/1, 1/2, 1/4, 1/8 that leaves at least 7/8 of the shown size in both directions. A
// reduced picture a little smaller than its box is enlarged by at most 8/7, which the smooth resampler
// makes invisible (a 1920 x 1080 photograph at 1/2 painted over 600 x 600 differs from the whole decode
// by at most 3 of 255 levels), and it lets the common case of a wide picture in a square box decode at
// half size.
int scaleDenominator(uint64_t width, uint64_t height, int needWidth, int needHeight) {
  if (needWidth <= 0 || needHeight <= 0) return 1;
  for (uint64_t d : {8, 4, 2}) {
    const uint64_t w = (width + d - 1) / d, h = (height + d - 1) / d;
    if (8 * w >= 7 * static_cast<uint64_t>(needWidth) && 8 * h >= 7 * static_cast<uint64_t>(needHeight)) {
      return static_cast<int>(d);
    }
  }
  return 1;
}

// One CMYK row to 0xAARRGGBB. Adobe's encoders store the inks inverted (255 = no ink), which is what the
// product c × k / 255 expects; plain CMYK is inverted first.
void cmykRow(const unsigned char* in, uint32_t* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, in += 4) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

// Everything that lives across the jump: kept out of the decoding function's frame so that a longjmp
// out of libjpeg leaves no C++ object half-made there.
struct Decoding {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  ProgressMonitor progress;
  std::vector<unsigned char> cmykLine;
  DecodedPicture result;
  std::string failure;
};

// Decodes into d->result; false with d->failure set otherwise. No local here may have a destructor.
bool decodeJpeg(const unsigned char* data, size_t size, int needWidth, int needHeight, Decoding* d) {
  jpeg_decompress_struct& cinfo = d->cinfo;
  cinfo.err = jpeg_std_error(&d->errors.pub);
  d->errors.pub.error_exit = onError;
  d->errors.pub.emit_message = onMessage;
  d->errors.cutShort = false;
  d->errors.tooManyScans = false;
  d->errors.message[0] = '\0';
  if (setjmp(d->errors.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    if (d->errors.tooManyScans) {
      d->failure = "has more than " + std::to_string(kMaxPictureScans) + " progressive scans";
    } else if (std::strstr(d->errors.message, "Backing store") != nullptr) {
      d->failure = "needs more than " + describeBytes(kMaxDecoderMemoryBytes) + " to decode";
    } else {
      d->failure = std::string("is damaged (") + d->errors.message + ")";
    }
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecoderMemoryBytes);
  d->progress.pub.progress_monitor = onProgress;
  d->progress.errors = &d->errors;
  cinfo.progress = &d->progress.pub;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&cinfo, JPEG_APP0 + 14, 0);  // only to learn whether an Adobe marker was there
  jpeg_read_header(&cinfo, TRUE);

  const uint64_t width = cinfo.image_width, height = cinfo.image_height;
  if (width * height > kMaxPicturePixels) {
    d->failure = "is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels; at most " + std::to_string(kMaxPicturePixels >> 20) + " megapixels are shown)";
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;  // BGRA in memory is 0xAARRGGBB as a word
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scaleDenominator(width, height, needWidth, needHeight));
  jpeg_start_decompress(&cinfo);

  d->result.width = static_cast<int>(width);
  d->result.height = static_cast<int>(height);
  Image& image = d->result.image;
  image.width = static_cast<int>(cinfo.output_width);
  image.height = static_cast<int>(cinfo.output_height);
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  if (cmyk) d->cmykLine.resize(static_cast<size_t>(image.width) * 4);
  const bool inverted = cinfo.saw_Adobe_marker != 0;
  while (cinfo.output_scanline < cinfo.output_height) {
    uint32_t* row = &image.pixels[static_cast<size_t>(cinfo.output_scanline) * image.width];
    JSAMPROW rows[1] = {cmyk ? d->cmykLine.data() : reinterpret_cast<JSAMPLE*>(row)};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;  // cut short: the rest stays black
    if (cmyk) cmykRow(d->cmykLine.data(), row, image.width, inverted);
  }
  if (cinfo.output_scanline < cinfo.output_height) {
    // Suspended at the end of the data: finishing would only fail on the same.
    d->errors.cutShort = true;
  } else {
    jpeg_finish_decompress(&cinfo);
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

std::string foreignFormat(const std::string& b) {
  if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8 &&
      static_cast<unsigned char>(b[2]) == 0xFF) {
    return {};
  }
  if (b.empty()) return "empty";
  if (startsWith(b, "GIF8", 4)) return "a GIF";
  if (startsWith(b, "\x89PNG", 4)) return "a PNG";
  if (startsWith(b, "BM", 2)) return "a BMP";
  if (startsWith(b, "II*\0", 4) || startsWith(b, "MM\0*", 4)) return "a TIFF";
  if (startsWith(b, "RIFF", 4) && startsWith(b, "WEBP", 4, 8)) return "a WebP";
  if (startsWith(b, "ftyp", 4, 4)) return "an ISO media file (HEIF, AVIF or video)";
  if (startsWith(b, "\0\0\0\x0CjP  ", 8) || startsWith(b, "\xFF\x4F\xFF\x51", 4)) return "a JPEG 2000";
  if (startsWith(b, "\xFF\x0A", 2) || startsWith(b, "\0\0\0\x0CJXL ", 8)) return "a JPEG XL";
  if (startsWith(b, "gimp xcf", 8)) return "a GIMP XCF";
  if (startsWith(b, "8BPS", 4)) return "a Photoshop file";
  if (startsWith(b, "qoif", 4)) return "a QOI";
  if (startsWith(b, "\0\0\1\0", 4)) return "an icon";
  if (startsWith(b, "MThd", 4)) return "a MIDI file";
  if (b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '7') return "a PNM";
  if (static_cast<unsigned char>(b[0]) == 0x0A && b.size() >= 2 && static_cast<unsigned char>(b[1]) <= 5)
    return "a PCX";
  if (b.find("<svg") != std::string::npos || startsWith(b, "<?xml", 5)) return "an SVG or XML file";
  if (startsWith(b, "\xFF\xD8", 2)) return "a damaged JPEG";
  bool text = true;
  for (size_t i = 0; i < b.size() && i < 64; ++i) {
    const unsigned char c = static_cast<unsigned char>(b[i]);
    if (c < 0x09 || (c > 0x0D && c < 0x20)) text = false;
  }
  return text ? "text" : "not a picture format the game knows";
}

std::optional<DecodedPicture> loadPictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                              std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<DecodedPicture> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  std::string bytes;
  std::string readError;
  if (!readRegularFile(utf8Path, kMaxPictureFileBytes, &bytes, &readError)) return fail(readError);
  const std::string foreign = foreignFormat(bytes.substr(0, 64));
  if (!foreign.empty()) {
    if (foreign == "empty") return fail(utf8Path + " is empty");
    return fail(utf8Path + " is " + foreign + ", not a JPEG");
  }
  auto decoding = std::make_unique<Decoding>();
  bool ok = false;
  try {
    ok = decodeJpeg(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), needWidth, needHeight,
                    decoding.get());
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&decoding->cinfo);
    return fail(utf8Path + " is too large to decode in the memory there is");
  }
  if (!ok) return fail(utf8Path + " " + decoding->failure);
  if (decoding->result.image.empty()) return fail(utf8Path + " holds an empty picture");
  if (decoding->errors.cutShort) {
    reportProblem("picture " + utf8Path + " is cut short; shown as far as it goes");
  }
  // Held at the size it is shown at, where that is smaller: the pixels and their texture cost no more
  // than the box, and a box of the same size draws them unstretched.
  Image& image = decoding->result.image;
  const int keptWidth = needWidth > 0 ? std::min(image.width, needWidth) : image.width;
  const int keptHeight = needHeight > 0 ? std::min(image.height, needHeight) : image.height;
  if (keptWidth != image.width || keptHeight != image.height) {
    Image kept{keptWidth, keptHeight, std::vector<uint32_t>(static_cast<size_t>(keptWidth) * keptHeight)};
    stretchCopy(image, 0, 0, static_cast<float>(image.width), static_cast<float>(image.height), kept, 0, 0,
                static_cast<float>(keptWidth), static_cast<float>(keptHeight));
    image = std::move(kept);
  }
  return std::move(decoding->result);
}

std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error) {
  std::optional<DecodedPicture> picture = loadPictureFile(utf8Path, 0, 0, error);
  if (!picture) return std::nullopt;
  return std::move(picture->image);
}

void installPictureDecoder() { setPictureDecoder(&loadPictureFile); }

}  // namespace platform
