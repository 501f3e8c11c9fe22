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
#include "platform/media/picture_format.h"
#include "platform/runtime/app.h"

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
  cinfo.scale_denom = static_cast<unsigned>(pictureScaleDenominator(width, height, needWidth, needHeight));
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
  keepAtShownSize(&decoding->result.image, needWidth, needHeight);
  return std::move(decoding->result);
}

}  // namespace platform
