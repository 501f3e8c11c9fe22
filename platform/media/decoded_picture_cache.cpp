// The decoded-picture cache: a short list in order of use, evicted from its end to stay within budget.
#include "platform/media/decoded_picture_cache.h"

#include <algorithm>

namespace platform {

namespace {

uint64_t bytesOf(const DecodedPictureCache::Entry& entry) {
  return entry.picture.image.pixels.size() * sizeof(uint32_t) + 64;
}

}  // namespace

std::optional<DecodedPictureCache::Entry> DecodedPictureCache::find(const std::string& key) {
  std::lock_guard<std::mutex> hold(mutex_);
  auto it = std::find_if(kept_.begin(), kept_.end(), [&key](const Kept& k) { return k.key == key; });
  if (it == kept_.end()) return std::nullopt;
  kept_.splice(kept_.begin(), kept_, it);
  return kept_.front().entry;
}

void DecodedPictureCache::keep(const std::string& key, const Entry& entry) {
  const uint64_t bytes = bytesOf(entry) + key.size();
  if (bytes > budgetBytes_ / 2) return;
  std::lock_guard<std::mutex> hold(mutex_);
  auto same = std::find_if(kept_.begin(), kept_.end(), [&key](const Kept& k) { return k.key == key; });
  if (same != kept_.end()) {
    bytes_ -= same->bytes;
    kept_.erase(same);
  }
  while (!kept_.empty() && (bytes_ + bytes > budgetBytes_ || kept_.size() >= kDecodedPictureCacheEntries)) {
    bytes_ -= kept_.back().bytes;
    kept_.pop_back();
  }
  kept_.push_front(Kept{key, entry, bytes});
  bytes_ += bytes;
}

bool DecodedPictureCache::cameBack(const std::string& key) {
  std::lock_guard<std::mutex> hold(mutex_);
  auto it = std::find(seen_.begin(), seen_.end(), key);
  const bool again = it != seen_.end();
  if (again) seen_.erase(it);
  if (seen_.size() >= kDecodedPictureSeenKeys) seen_.pop_back();
  seen_.push_front(key);
  return again;
}

uint64_t DecodedPictureCache::bytesKept() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return bytes_;
}

}  // namespace platform
