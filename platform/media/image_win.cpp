// Picture files on Windows: JPEG decoding with the Windows Imaging Component into the runtime's
// 0xAARRGGBB pixel buffers, with the same limits as the Linux decoder: file size, regular files only,
// declared pixels and progressive scans, both read from the file's segments before WIC opens it.
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/image.h"
#include "platform/media/picture_decode.h"

namespace platform {

namespace {

using Microsoft::WRL::ComPtr;

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// What the file's segments declare, read before WIC sees it: some WIC decoders (Wine's) allocate and
// decode the whole frame as it is opened, so a header claiming gigapixels must be refused first.
struct JpegOutline {
  int scans = 0;
  uint64_t width = 0, height = 0;  // from the first start-of-frame segment
};

// Walks the segments, stopping once there are more than scanLimit scans.
JpegOutline outlineOf(const std::string& b, int scanLimit) {
  const auto at = [&b](size_t i) { return static_cast<unsigned char>(b[i]); };
  JpegOutline outline;
  size_t pos = 2;  // after the start-of-image marker
  while (pos + 1 < b.size() && outline.scans <= scanLimit) {
    if (at(pos) != 0xFF) break;  // damaged: the decoder will say so
    while (pos < b.size() && at(pos) == 0xFF) ++pos;
    if (pos >= b.size()) break;
    const unsigned marker = at(pos++);
    if (marker == 0xD9) break;                                           // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (pos + 1 >= b.size()) break;
    const size_t length = (size_t{at(pos)} << 8) | at(pos + 1);
    // Start of frame: every SOFn but the DHT (C4), JPG (C8) and DAC (CC) markers that share the range.
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && outline.width == 0 && pos + 6 < b.size()) {
      outline.height = (uint64_t{at(pos + 3)} << 8) | at(pos + 4);
      outline.width = (uint64_t{at(pos + 5)} << 8) | at(pos + 6);
    }
    pos += length;
    if (marker != 0xDA) continue;
    ++outline.scans;
    // The entropy-coded data runs to the next marker that is neither a stuffed zero nor a restart.
    while (pos + 1 < b.size() &&
           !(at(pos) == 0xFF && at(pos + 1) != 0 && (at(pos + 1) < 0xD0 || at(pos + 1) > 0xD7))) {
      ++pos;
    }
  }
  return outline;
}

std::string tooLarge(uint64_t width, uint64_t height) {
  return "is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
         std::to_string(kMaxPicturePixels >> 20) + " megapixels are shown)";
}

// Held at the size it is shown at, where that is smaller: the pixels cost no more than the box.
void keepAtShownSize(Image* image, int needWidth, int needHeight) {
  const int keptWidth = needWidth > 0 ? std::min(image->width, needWidth) : image->width;
  const int keptHeight = needHeight > 0 ? std::min(image->height, needHeight) : image->height;
  if (keptWidth == image->width && keptHeight == image->height) return;
  Image kept{keptWidth, keptHeight, std::vector<uint32_t>(static_cast<size_t>(keptWidth) * keptHeight)};
  stretchCopy(*image, 0, 0, static_cast<float>(image->width), static_cast<float>(image->height), kept, 0, 0,
              static_cast<float>(keptWidth), static_cast<float>(keptHeight));
  *image = std::move(kept);
}

IWICImagingFactory* factory() {
  // COM on this thread once; the user-interface thread may have it already in another model.
  thread_local const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)com;
  thread_local ComPtr<IWICImagingFactory> made;
  if (!made) {
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made));
  }
  return made.Get();
}

// The frame's pixels, whole, as 32-bit BGRA (0xAARRGGBB as a word). False with the reason in *why.
// The reduced decode of the Linux build has no counterpart that every WIC offers (mingw's headers and
// Wine lack the source transform), so a picture shown smaller is reduced after decoding.
bool copyPixels(IWICImagingFactory* wic, IWICBitmapFrameDecode* frame, Image* image, std::string* why) {
  UINT width = 0, height = 0;
  frame->GetSize(&width, &height);
  ComPtr<IWICFormatConverter> converter;
  HRESULT hr = wic->CreateFormatConverter(&converter);
  if (SUCCEEDED(hr)) {
    hr = converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
  }
  if (FAILED(hr)) {
    *why = "has colours the decoder cannot convert (" + hresultText(hr) + ")";
    return false;
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.resize(static_cast<size_t>(width) * height);
  hr = converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image->pixels.size() * 4),
                             reinterpret_cast<BYTE*>(image->pixels.data()));
  if (FAILED(hr)) {
    *why = "is damaged (the decoder stopped with " + hresultText(hr) + ")";
    return false;
  }
  for (uint32_t& p : image->pixels) p |= 0xFF000000u;  // a JPEG is opaque, whatever the converter wrote
  return true;
}

// Decodes a JPEG held in memory; false with the reason (without the path) in *why.
bool decodeWithWic(const std::string& bytes, DecodedPicture* out, std::string* why) {
  IWICImagingFactory* wic = factory();
  if (!wic) {
    *why = "cannot be decoded: the Windows Imaging Component is missing";
    return false;
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  HRESULT hr = wic->CreateStream(&stream);
  if (SUCCEEDED(hr)) {
    hr = stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                      static_cast<DWORD>(bytes.size()));
  }
  if (SUCCEEDED(hr))
    hr = wic->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
  if (FAILED(hr)) {
    *why = "is damaged (" + hresultText(hr) + ")";
    return false;
  }
  UINT width = 0, height = 0;
  frame->GetSize(&width, &height);
  if (uint64_t{width} * height > kMaxPicturePixels) {
    *why = tooLarge(width, height);
    return false;
  }
  // WIC decodes the whole frame: its pixels, in 4 bytes each, are what this decode holds.
  if (uint64_t{width} * height * 4 > kMaxDecoderMemoryBytes) {
    *why = "needs more than " + describeBytes(kMaxDecoderMemoryBytes) + " to decode";
    return false;
  }
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  return copyPixels(wic, frame.Get(), &out->image, why);
}

}  // namespace

std::optional<DecodedPicture> decodePicture(const std::string& utf8Path, int needWidth, int needHeight,
                                            std::string* error, bool* cutShort) {
  // WIC decodes what a file cut short holds without saying so, or refuses it.
  *cutShort = false;
  auto fail = [&](const std::string& why) -> std::optional<DecodedPicture> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  std::string bytes;
  std::string readError;
  if (!readRegularFile(utf8Path, kMaxPictureFileBytes, &bytes, &readError)) return fail(readError);
  if (const std::string refusal = notAJpeg(utf8Path, bytes.substr(0, 64)); !refusal.empty())
    return fail(refusal);
  const JpegOutline outline = outlineOf(bytes, kMaxPictureScans);
  if (outline.width * outline.height > kMaxPicturePixels) {
    return fail(utf8Path + " " + tooLarge(outline.width, outline.height));
  }
  if (outline.width * outline.height * 4 > kMaxDecoderMemoryBytes) {
    return fail(utf8Path + " needs more than " + describeBytes(kMaxDecoderMemoryBytes) + " to decode");
  }
  if (outline.scans > kMaxPictureScans) {
    return fail(utf8Path + " has more than " + std::to_string(kMaxPictureScans) + " progressive scans");
  }
  DecodedPicture picture;
  std::string why;
  try {
    if (!decodeWithWic(bytes, &picture, &why)) return fail(utf8Path + " " + why);
  } catch (const std::bad_alloc&) {
    return fail(utf8Path + " is too large to decode in the memory there is");
  }
  if (picture.image.empty()) return fail(utf8Path + " holds an empty picture");
  keepAtShownSize(&picture.image, needWidth, needHeight);
  return picture;
}

}  // namespace platform
