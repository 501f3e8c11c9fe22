// Picture files: JPEG decoding with libjpeg-turbo straight into the runtime's 0xAARRGGBB pixel buffers,
// at a reduced scale when the picture will be shown smaller, with the checks that keep a damaged or
// foreign file from costing more than a refusal.
#include "platform/media/image.h"

#include <errno.h>
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
#include "platform/media/picture_decode.h"

namespace platform {

namespace {

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

// No axis is decoded at more than this many times the box it is shown in, as far as 1/8 scale reaches:
// a picture of an odd shape (65500 × 1024) must not be decoded whole because one axis is small.
constexpr uint64_t kMaxDecodedOverBox = 2;
// Rows decoded at a time when a picture is decoded wider than it is kept: each band is resampled across
// at once, so the decoded width never costs more than a band.
constexpr int kBandRows = 64;

// The scale to decode at, as 1/d. For the look: the smallest of 1/1, 1/2, 1/4, 1/8 that leaves at least
// 7/8 of the shown size in both directions. A reduced picture a little smaller than its box is enlarged
// by at most 8/7, which the smooth resampler makes invisible (a 1920 x 1080 photograph at 1/2 painted over
// 600 x 600 differs from the whole decode by at most 3 of 255 levels), and it lets the common case of a
// wide picture in a square box decode at half size. For time and memory: then reduced further while
// either axis would be far larger than the box, down to 1/8.
int scaleDenominator(uint64_t width, uint64_t height, int needWidth, int needHeight) {
  if (needWidth <= 0 || needHeight <= 0) return 1;
  const uint64_t needW = static_cast<uint64_t>(needWidth), needH = static_cast<uint64_t>(needHeight);
  uint64_t d = 1;
  for (uint64_t candidate : {8, 4, 2}) {
    const uint64_t w = (width + candidate - 1) / candidate, h = (height + candidate - 1) / candidate;
    if (8 * w >= 7 * needW && 8 * h >= 7 * needH) {
      d = candidate;
      break;
    }
  }
  while (d < 8 && ((width + d - 1) / d > kMaxDecodedOverBox * needW ||
                   (height + d - 1) / d > kMaxDecodedOverBox * needH)) {
    d *= 2;
  }
  return static_cast<int>(d);
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
  Image band;  // decoded rows waiting to be resampled across, when the picture is kept narrower
  DecodedPicture result;
  std::string failure;
};

// Our own buffers for a decode at the chosen scale: the rows as kept across (all of them), a band of
// decoded rows when those are wider, and a CMYK line.
uint64_t ownBufferBytes(uint64_t outWidth, uint64_t outHeight, uint64_t keptWidth, bool cmyk) {
  uint64_t bytes = keptWidth * outHeight * 4;
  if (keptWidth < outWidth) bytes += outWidth * kBandRows * 4;
  if (cmyk) bytes += outWidth * 4;
  return bytes;
}

// One decoded row into `row`, as 0xAARRGGBB; false when the data ends short.
bool readRow(Decoding* d, uint32_t* row, bool cmyk) {
  JSAMPROW rows[1] = {cmyk ? d->cmykLine.data() : reinterpret_cast<JSAMPLE*>(row)};
  if (jpeg_read_scanlines(&d->cinfo, rows, 1) != 1) return false;
  if (cmyk)
    cmykRow(d->cmykLine.data(), row, static_cast<int>(d->cinfo.output_width), d->cinfo.saw_Adobe_marker);
  return true;
}

// Every row into d->result.image, kept width wide: straight in when the decoded rows are that wide,
// otherwise a band at a time, resampled across. False when the data ends short (the rest stays black).
bool readRows(Decoding* d, int keptWidth, bool cmyk) {
  jpeg_decompress_struct& cinfo = d->cinfo;
  Image& rows = d->result.image;
  const int outWidth = static_cast<int>(cinfo.output_width);
  if (keptWidth == outWidth) {
    while (cinfo.output_scanline < cinfo.output_height) {
      if (!readRow(d, &rows.pixels[static_cast<size_t>(cinfo.output_scanline) * rows.width], cmyk))
        return false;
    }
    return true;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    const int first = static_cast<int>(cinfo.output_scanline);
    int n = 0;
    bool whole = true;
    while (n < kBandRows && cinfo.output_scanline < cinfo.output_height) {
      whole = readRow(d, &d->band.pixels[static_cast<size_t>(n) * outWidth], cmyk);
      if (!whole) break;
      ++n;
    }
    if (n > 0) {
      stretchCopy(d->band, 0, 0, static_cast<float>(outWidth), static_cast<float>(n), rows, 0,
                  static_cast<float>(first), static_cast<float>(keptWidth), static_cast<float>(n));
    }
    if (!whole) return false;
  }
  return true;
}

// What the header says, checked against the limits; the scale chosen; the budget shared out between the
// decoder and our buffers. False with d->failure set when the picture is refused.
bool prepare(Decoding* d, int needWidth, int needHeight, bool* cmyk) {
  jpeg_decompress_struct& cinfo = d->cinfo;
  const uint64_t width = cinfo.image_width, height = cinfo.image_height;
  if (width * height > kMaxPicturePixels) {
    d->failure = "is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels; at most " + std::to_string(kMaxPicturePixels >> 20) + " megapixels are shown)";
    return false;
  }
  *cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = *cmyk ? JCS_CMYK : JCS_EXT_BGRA;  // BGRA in memory is 0xAARRGGBB as a word
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scaleDenominator(width, height, needWidth, needHeight));
  jpeg_calc_output_dimensions(&cinfo);
  const uint64_t outWidth = cinfo.output_width, outHeight = cinfo.output_height;
  const uint64_t keptWidth =
      needWidth > 0 ? std::min<uint64_t>(outWidth, static_cast<uint64_t>(needWidth)) : outWidth;
  // One budget for everything the decode holds at once: what libjpeg allocates (the coefficients of a
  // progressive picture above all, counted by its memory manager) and our own rows.
  const uint64_t own = ownBufferBytes(outWidth, outHeight, keptWidth, *cmyk);
  if (own >= kMaxDecoderMemoryBytes) {
    d->failure = "needs more than " + describeBytes(kMaxDecoderMemoryBytes) + " to decode";
    return false;
  }
  cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecoderMemoryBytes - own);
  d->result.width = static_cast<int>(width);
  d->result.height = static_cast<int>(height);
  Image& rows = d->result.image;
  rows.width = static_cast<int>(keptWidth);
  rows.height = static_cast<int>(outHeight);
  rows.pixels.resize(static_cast<size_t>(keptWidth * outHeight));
  if (keptWidth < outWidth)
    d->band = Image{static_cast<int>(outWidth), kBandRows,
                    std::vector<uint32_t>(static_cast<size_t>(outWidth) * kBandRows)};
  if (*cmyk) d->cmykLine.resize(static_cast<size_t>(outWidth) * 4);
  return true;
}

// Decodes into d->result; false with d->failure set otherwise. No local here may have a destructor.
bool decodeJpeg(std::FILE* file, int needWidth, int needHeight, Decoding* d) {
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
    } else if (std::strstr(d->errors.message, "Backing store") != nullptr ||
               std::strstr(d->errors.message, "Insufficient memory") != nullptr) {
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
  // Read from the file as the decoder goes: the file's bytes are never held whole beside the pixels.
  jpeg_stdio_src(&cinfo, file);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 14, 0);  // only to learn whether an Adobe marker was there
  jpeg_read_header(&cinfo, TRUE);
  bool cmyk = false;
  if (!prepare(d, needWidth, needHeight, &cmyk)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  if (!readRows(d, d->result.image.width, cmyk)) {
    // Suspended at the end of the data: finishing would only fail on the same.
    d->errors.cutShort = true;
  } else {
    jpeg_finish_decompress(&cinfo);
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

std::optional<DecodedPicture> decodePicture(const std::string& utf8Path, int needWidth, int needHeight,
                                            std::string* error, bool* cutShort) {
  auto fail = [&](const std::string& why) -> std::optional<DecodedPicture> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  std::string readError;
  uint64_t sizeBytes = 0;
  const int fd = openRegularFile(utf8Path, &readError, &sizeBytes);
  if (fd < 0) return fail(readError);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::fdopen(fd, "rb"), &std::fclose);
  if (!file) {
    ::close(fd);
    return fail(utf8Path + ": " + std::strerror(errno));
  }
  if (sizeBytes > kMaxPictureFileBytes) {
    return fail(utf8Path + ": is " + describeBytes(sizeBytes) + ", more than the " +
                describeBytes(kMaxPictureFileBytes) + " a file of its kind may have");
  }
  std::string head(64, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file.get()));
  if (const std::string refusal = notAJpeg(utf8Path, head); !refusal.empty()) return fail(refusal);
  std::rewind(file.get());
  auto decoding = std::make_unique<Decoding>();
  bool ok = false;
  try {
    ok = decodeJpeg(file.get(), needWidth, needHeight, decoding.get());
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&decoding->cinfo);
    return fail(utf8Path + " is too large to decode in the memory there is");
  }
  if (!ok) return fail(utf8Path + " " + decoding->failure);
  if (decoding->result.image.empty()) return fail(utf8Path + " holds an empty picture");
  *cutShort = decoding->errors.cutShort;
  // Held at the size it is shown at, where that is smaller: the pixels and their texture cost no more
  // than the box, and a box of the same size draws them unstretched. The rows came kept across already;
  // the decoder's memory is given back before this second image is made.
  decoding->band = Image{};
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

}  // namespace platform
