// Standard MIDI files: the header, the tracks' end ticks and tempo map, and the checks that refuse a file
// no synthesiser could play.
#include "platform/media/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace platform {
namespace {

uint32_t be32(const std::string& b, size_t at) {
  return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
         (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}
uint32_t le32(const std::string& b, size_t at) {
  return (uint32_t(uint8_t(b[at + 3])) << 24) | (uint32_t(uint8_t(b[at + 2])) << 16) |
         (uint32_t(uint8_t(b[at + 1])) << 8) | uint32_t(uint8_t(b[at]));
}

// Reads a variable-length quantity; false when it runs past `end` or over four bytes.
bool readVarLen(const std::string& b, size_t& at, size_t end, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= end) return false;
    const uint8_t c = uint8_t(b[at++]);
    v = (v << 7) | (c & 0x7f);
    if (!(c & 0x80)) {
      *value = v;
      return true;
    }
  }
  return false;
}

// a * b / c without overflow, saturated to the range of int64_t (a and b not negative, c positive).
int64_t mulDiv(int64_t a, int64_t b, int64_t c) {
  const long double v =
      static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
  if (!(v < 9.2e18L)) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(v);
}

int64_t saturatingAdd(int64_t a, int64_t b) {
  return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

// What the flood checks count, each kind in its own list of ticks.
enum FloodKind { kNotes, kProgramChanges, kControlEvents, kFloodKinds };

// The ticks of one kind of event: each track's events come in order, so the list is one sorted run per
// track, merged once every track is read.
struct EventTicks {
  std::vector<int64_t> ticks;
  std::vector<size_t> runStarts;
};

struct Scan {
  MidiFileInfo* info;
  EventTicks events[kFloodKinds];
  std::string problem;
};

FloodKind kindOf(uint8_t status, uint8_t secondData) {
  switch (status & 0xf0) {
    case 0x90:
      return secondData != 0 ? kNotes : kControlEvents;  // velocity 0 is a note-off
    case 0xc0:
      return kProgramChanges;
    default:
      return kControlEvents;
  }
}

// Walks one track: its end tick, its tempo changes and its notes.
bool scanTrack(const std::string& b, size_t at, size_t end, Scan* scan) {
  for (EventTicks& kind : scan->events) kind.runStarts.push_back(kind.ticks.size());
  int64_t tick = 0;
  uint8_t running = 0;
  while (at < end) {
    uint32_t delta = 0;
    if (!readVarLen(b, at, end, &delta)) return false;
    tick += delta;  // at most 2^28 per event and 4 MiB of events: far from overflowing
    if (at >= end) return false;
    uint8_t status = uint8_t(b[at]);
    if (status & 0x80) {
      ++at;
    } else {
      if (!running) return false;  // data byte with no running status to continue
      status = running;
    }
    if (status == 0xff) {
      if (at >= end) return false;
      const uint8_t type = uint8_t(b[at++]);
      uint32_t len = 0;
      if (!readVarLen(b, at, end, &len) || len > end - at) return false;
      if (type == 0x51 && len == 3) {
        const int64_t micros = (int64_t(uint8_t(b[at])) << 16) | (int64_t(uint8_t(b[at + 1])) << 8) |
                               int64_t(uint8_t(b[at + 2]));
        if (micros == 0) {
          // Every later note would sound at once.
          scan->problem = "it sets a tempo of 0 (at tick " + std::to_string(tick) + ")";
          return false;
        }
        scan->info->tempos.push_back({tick, micros});
      }
      at += len;
      if (type == 0x2f) break;
      running = 0;
    } else if (status == 0xf0 || status == 0xf7) {
      uint32_t len = 0;
      if (!readVarLen(b, at, end, &len) || len > end - at) return false;
      // It may reset every channel, which costs the synthesiser what a program change does.
      scan->events[kProgramChanges].ticks.push_back(tick);
      at += len;
      running = 0;
    } else if (status >= 0xf0) {
      return false;  // system common and real-time messages do not belong in a file
    } else {
      const int dataBytes = ((status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0) ? 1 : 2;
      if (end - at < size_t(dataBytes)) return false;
      scan->events[kindOf(status, dataBytes == 2 ? uint8_t(b[at + 1]) : 0)].ticks.push_back(tick);
      at += size_t(dataBytes);
      running = status;
    }
  }
  // A track cut short of its end-of-track event still plays to its last event.
  scan->info->totalTicks = std::max(scan->info->totalTicks, tick);
  return true;
}

// Merges the sorted runs pairwise, as many rounds as it takes: n log(tracks), never n log(n).
void mergeRuns(EventTicks* events) {
  std::vector<size_t> starts = events->runStarts;
  starts.push_back(events->ticks.size());
  const auto first = events->ticks.begin();
  while (starts.size() > 2) {
    std::vector<size_t> next;
    const size_t runs = starts.size() - 1;
    for (size_t i = 0; i < runs; i += 2) {
      next.push_back(starts[i]);
      if (i + 1 < runs) {
        std::inplace_merge(first + std::ptrdiff_t(starts[i]), first + std::ptrdiff_t(starts[i + 1]),
                           first + std::ptrdiff_t(starts[i + 2]));
      }
    }
    next.push_back(starts.back());
    starts.swap(next);
  }
}

// ticksToMs for ticks that never decrease, in one walk along the tempo map: the same segment sums, in the
// same order, so the same milliseconds, at the cost of the events plus the tempos rather than their product.
class TempoWalk {
 public:
  explicit TempoWalk(const MidiFileInfo& info) : info_(info) {}
  int64_t ms(int64_t tick) {
    tick = std::max<int64_t>(tick, 0);
    if (info_.smpteFramesPerSecond > 0) return info_.ticksToMs(tick);  // no tempo map to walk
    while (next_ < info_.tempos.size() && info_.tempos[next_].tick < tick) {
      const MidiFileInfo::Tempo& t = info_.tempos[next_++];
      micros_ = saturatingAdd(micros_, mulDiv(t.tick - at_, perQuarter_, info_.ticksPerQuarter));
      at_ = t.tick;
      perQuarter_ = t.microsPerQuarter;
    }
    return saturatingAdd(micros_, mulDiv(tick - at_, perQuarter_, info_.ticksPerQuarter)) / 1000;
  }

 private:
  const MidiFileInfo& info_;
  size_t next_ = 0;
  int64_t micros_ = 0, at_ = 0, perQuarter_ = 500000;
};

// The first stretch of kDenseWindowMs in which more than `limit` events of one kind come, as a message
// naming them; empty when there is none. The ticks are turned into milliseconds in place.
std::string floodIn(EventTicks* events, const MidiFileInfo& info, int limit, const char* verb,
                    const char* what, const char* why) {
  std::vector<int64_t>& ms = events->ticks;
  if (ms.size() <= static_cast<size_t>(limit)) return {};
  mergeRuns(events);
  TempoWalk walk(info);
  for (int64_t& t : ms) t = walk.ms(t);
  size_t first = 0;
  for (size_t last = 0; last < ms.size(); ++last) {
    while (ms[last] - ms[first] >= kDenseWindowMs) ++first;
    if (last - first + 1 > static_cast<size_t>(limit)) {
      size_t count = last - first + 1;
      while (last + 1 < ms.size() && ms[last + 1] - ms[first] < kDenseWindowMs) ++last, ++count;
      return std::string("it ") + verb + " " + std::to_string(count) + " " + what + " within " +
             std::to_string(kDenseWindowMs) + " ms at " + std::to_string(ms[first] / 1000) + " s, " + why;
    }
  }
  return {};
}

std::string anyFlood(Scan* scan, const MidiFileInfo& info) {
  constexpr char kCannotFollow[] = "more than a synthesiser can follow";
  std::string flood = floodIn(&scan->events[kNotes], info, kMaxNotesInWindow, "starts", "notes",
                              "more than any synthesiser has voices for");
  if (flood.empty()) {
    flood = floodIn(&scan->events[kProgramChanges], info, kMaxProgramChangesInWindow, "sends",
                    "program changes and system-exclusive messages", kCannotFollow);
  }
  if (flood.empty()) {
    flood = floodIn(&scan->events[kControlEvents], info, kMaxControlEventsInWindow, "sends",
                    "controller, pitch-bend, pressure and note-off events", kCannotFollow);
  }
  return flood;
}

// Where the standard MIDI file lies in `bytes`: all of it, or, in an RMID (a RIFF file), its "data"
// chunk; false when an RMID holds none or is cut short.
bool findStandardFile(const std::string& bytes, size_t* from, size_t* size) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "RMID") != 0) return true;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint32_t len = le32(bytes, at + 4);
    if (len > bytes.size() - at - 8) return false;
    if (bytes.compare(at, 4, "data") == 0) {
      *from = at + 8;
      *size = len;
      return len > 0;
    }
    at += 8 + len + (len & 1);
  }
  return false;
}

}  // namespace

int64_t MidiFileInfo::ticksToMs(int64_t tick) const {
  tick = std::max<int64_t>(tick, 0);
  if (smpteFramesPerSecond > 0) return mulDiv(tick, 1000, int64_t(smpteFramesPerSecond) * ticksPerQuarter);
  // Sum over the tempo segments; 120 beats a minute until the first tempo event.
  int64_t micros = 0, at = 0, perQuarter = 500000;
  for (const Tempo& t : tempos) {
    if (t.tick >= tick) break;
    micros = saturatingAdd(micros, mulDiv(t.tick - at, perQuarter, ticksPerQuarter));
    at = t.tick;
    perQuarter = t.microsPerQuarter;
  }
  micros = saturatingAdd(micros, mulDiv(tick - at, perQuarter, ticksPerQuarter));
  return micros / 1000;
}

int64_t MidiFileInfo::msToTicks(int64_t ms) const {
  ms = std::max<int64_t>(ms, 0);
  if (smpteFramesPerSecond > 0) return mulDiv(ms, int64_t(smpteFramesPerSecond) * ticksPerQuarter, 1000);
  const int64_t target = mulDiv(ms, 1000, 1);
  int64_t micros = 0, at = 0, perQuarter = 500000;
  for (const Tempo& t : tempos) {
    const int64_t segment = mulDiv(t.tick - at, perQuarter, ticksPerQuarter);
    if (saturatingAdd(micros, segment) > target) break;
    micros += segment;
    at = t.tick;
    perQuarter = t.microsPerQuarter;
  }
  return saturatingAdd(at, mulDiv(target - micros, ticksPerQuarter, perQuarter));
}

bool parseMidiFile(const std::string& bytes, MidiFileInfo* info, std::string* smf, std::string* problem) {
  auto refuse = [problem](std::string why) {
    if (problem) *problem = std::move(why);
    return false;
  };
  const std::string notWhole = "it is not a whole standard MIDI file";
  size_t from = 0, size = bytes.size();
  if (!findStandardFile(bytes, &from, &size)) return refuse(notWhole);
  const std::string data = bytes.substr(from, size);
  if (data.size() < 14 || data.compare(0, 4, "MThd") != 0) return refuse(notWhole);
  const uint32_t headerLen = be32(data, 4);
  if (headerLen < 6 || headerLen > data.size() - 8) return refuse(notWhole);
  const int tracks = (uint8_t(data[10]) << 8) | uint8_t(data[11]);
  const int division = (uint8_t(data[12]) << 8) | uint8_t(data[13]);
  MidiFileInfo result;
  if (division & 0x8000) {
    result.smpteFramesPerSecond = -int8_t(uint8_t(division >> 8));
    result.ticksPerQuarter = division & 0xff;
  } else {
    result.ticksPerQuarter = division;
  }
  if (result.ticksPerQuarter <= 0 || tracks == 0) return refuse(notWhole);
  if (division & 0x8000 && result.smpteFramesPerSecond <= 0) return refuse(notWhole);
  Scan scan{&result, {}, {}};
  size_t at = 8 + headerLen;
  int found = 0;
  while (found < tracks && at + 8 <= data.size()) {
    const uint32_t len = be32(data, at + 4);
    if (len > data.size() - at - 8) return refuse(notWhole);
    if (data.compare(at, 4, "MTrk") == 0) {
      if (found == kMaxMidiTracks) {
        return refuse("it has " + std::to_string(tracks) + " tracks; the synthesiser plays at most " +
                      std::to_string(kMaxMidiTracks));
      }
      if (!scanTrack(data, at + 8, at + 8 + len, &scan))
        return refuse(scan.problem.empty() ? notWhole : scan.problem);
      ++found;
    }
    at += 8 + len;  // chunks of other kinds are skipped, as readers must
  }
  if (found == 0) return refuse(notWhole);
  std::stable_sort(
      result.tempos.begin(), result.tempos.end(),
      [](const MidiFileInfo::Tempo& a, const MidiFileInfo::Tempo& b) { return a.tick < b.tick; });
  if (std::string flood = anyFlood(&scan, result); !flood.empty()) return refuse(flood);
  *info = std::move(result);
  *smf = data;
  return true;
}

}  // namespace platform
