// Picture files: JPEG decoding into the runtime's pixel buffers. Called through the runtime's decoder hook
// by picture boxes, and directly by the content checker.
// Only JPEG files are decoded, by libjpeg-turbo; any other format is named ("… is a GIF, not a JPEG") and
// refused. Limits, each named when it refuses a file: a file of at most kMaxPictureFileBytes, read only
// if it is a regular file; at most kMaxPicturePixels declared; at most kMaxPictureScans progressive scans;
// everything a decode holds at once (the decoder's own memory and the pixels) at most
// kMaxDecoderMemoryBytes. The file is read as it is decoded, never held whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/runtime/image.h"

namespace platform {

// A photograph of 50 megapixels is about 25 MiB as a JPEG; twice that leaves room and still keeps a
// stray video or disk image from being read.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{64} << 20;
// 8192 × 8192, far beyond any picture the game shows; a header claiming more would make the decoder
// allocate and fill gigabytes.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 26;
// Encoders write about ten scans; a file of thousands of empty ones keeps the decoder busy for minutes.
inline constexpr int kMaxPictureScans = 100;
// Everything one decode holds, so that the game with any picture stays within 250 MiB: its own 50 MiB on
// a large screen, the picture cache's 24 MiB and this. A progressive picture keeps all its coefficients
// whatever the scale it is decoded at (3 bytes a pixel in 4:2:0), so this admits progressive pictures of
// some 50 megapixels; baseline ones of any size within the caps take a few MiB.
inline constexpr uint64_t kMaxDecoderMemoryBytes = uint64_t{160} << 20;

// Decode a JPEG from a UTF-8 path, whole. On failure returns nothing and puts a one-line reason in *error
// (never throws, never crashes on truncated or foreign files).
std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error = nullptr);

// The same, for showing at most needWidth × needHeight pixels (0 × 0: whole): decoded at 1/2, 1/4 or 1/8
// scale when that still leaves at least 7/8 of that in each direction, and further reduced (to 1/8 at
// most) while either direction would be more than twice the box; then held no larger than the box. A
// picture decoded wider than it is held is resampled a band of rows at a time, never held whole.
std::optional<DecodedPicture> loadPictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                              std::string* error = nullptr);

// What a file's first bytes say it is when they are not a JPEG ("a GIF", "a PNG", "text"…); empty for
// data that starts as a JPEG does.
std::string foreignFormat(const std::string& firstBytes);
// The refusal of a file whose first bytes are no JPEG's ("<path> is a GIF, not a JPEG", "<path> is
// empty"); empty when they start as a JPEG does.
std::string notAJpeg(const std::string& utf8Path, const std::string& firstBytes);

// Make loadPictureFile, behind a cache of the pictures decoded last (decoded_picture_cache.h), the decoder
// behind PictureBox::LoadPicture, and install the file identity the cache and the game tell files by. Called
// once by every program that shows pictures, before the first is loaded.
void installPictureDecoder();

}  // namespace platform
