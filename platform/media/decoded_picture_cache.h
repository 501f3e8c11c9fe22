// Decoded pictures kept for when they come back: a scene that alternates two pictures from one step to the
// next shows each again without decoding it again. Used by the picture decoder the runtime calls.
// Keyed by what the file is (its identity: an edited file is another picture) and the size it is decoded
// for; the least recently used go first once the pictures kept pass the budget. Safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "platform/runtime/image.h"

namespace platform {

// A few pictures of a large screen's box: enough for the pictures a scene goes back and forth between,
// little beside what the game holds anyway.
inline constexpr uint64_t kDecodedPictureCacheBytes = uint64_t{24} << 20;
// And few of them, so that looking one up stays cheap whatever a step names.
inline constexpr size_t kDecodedPictureCacheEntries = 16;
// Keys remembered as decoded once, so that the second decode of a picture keeps it.
inline constexpr size_t kDecodedPictureSeenKeys = 64;

class DecodedPictureCache {
 public:
  // A decoded picture, and whether its file was cut short (a picture shown again is named again).
  // Refusals are not kept: they cost little to find again, and the next look names the path it was given.
  struct Entry {
    DecodedPicture picture;
    bool cutShort = false;
  };

  explicit DecodedPictureCache(uint64_t budgetBytes) : budgetBytes_(budgetBytes) {}
  // A copy of what is kept for the key, now the most recently used; nothing when nothing is.
  std::optional<Entry> find(const std::string& key);
  // Kept unless it alone would take more than half the budget, so that two such pictures fit together;
  // the least recently used go to make room.
  void keep(const std::string& key, const Entry& entry);
  uint64_t bytesKept() const;
  // Whether the key was asked about before (and remembers it now): a picture is worth keeping only once it
  // comes back, so that a game that shows each picture once holds no second copy of what its boxes show.
  bool cameBack(const std::string& key);

 private:
  struct Kept {
    std::string key;
    Entry entry;
    uint64_t bytes;
  };
  const uint64_t budgetBytes_;
  mutable std::mutex mutex_;
  std::list<Kept> kept_;  // most recently used first
  uint64_t bytes_ = 0;
  std::list<std::string> seen_;  // keys decoded once, most recent first; a few dozen
};

}  // namespace platform
