// Picture files: JPEG decoding into the runtime's pixel buffers. Called through the runtime's decoder hook
// by picture boxes, and directly by the content checker.
#pragma once

#include <optional>
#include <string>

#include "platform/runtime/image.h"

namespace platform {

// Decode a JPEG from a UTF-8 path. On failure returns nothing and puts a one-line reason in *error (never
// throws, never crashes on truncated or foreign files).
std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error = nullptr);

// Make loadImageFile the decoder behind PictureBox::LoadPicture. Called once by every program that shows
// pictures, before the first is loaded.
void installPictureDecoder();

}  // namespace platform
