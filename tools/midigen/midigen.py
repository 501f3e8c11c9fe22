#!/usr/bin/env python3
"""Writes the game's background music, an original gentle lullaby in F major, as a standard
MIDI file. Rebuild with:  python3 tools/midigen/midigen.py content/bgm.mid

Flute melody over harp arpeggios, a string pad and a soft pizzicato bass; 16 bars of 4/4 at 72 beats a
minute (about 53 s). Every track ends on the last beat of bar 16, so the file's length is exactly the
loop: the game starts it again from the beginning the moment it ends, and bar 16 leads back into bar 1.
Standard library only; the output is the same byte for byte on every run.
"""
import struct
import sys

TICKS_PER_QUARTER = 480
BEATS_PER_BAR = 4
BEATS_PER_MINUTE = 72
BAR = TICKS_PER_QUARTER * BEATS_PER_BAR

# General MIDI programs (0-based) and channels.
FLUTE, HARP, STRINGS, PIZZICATO = 73, 46, 48, 45

# Note numbers: C4 = 60.
F3, G3, A3, Bb3, C4, D4, E4, F4, G4, A4, Bb4, C5, D5, E5, F5 = 53, 55, 57, 58, 60, 62, 64, 65, 67, 69, 70, 72, 74, 76, 77
REST = None

# One chord per bar: (root note for the bass, triad as semitones above the root).
MAJOR, MINOR = (0, 4, 7), (0, 3, 7)
CHORDS = [
    (F3, MAJOR), (D4 - 12, MINOR), (Bb3, MAJOR), (C4 - 12, MAJOR),
    (F3, MAJOR), (A3, MINOR), (Bb3, MAJOR), (C4 - 12, MAJOR),
    (D4 - 12, MINOR), (A3, MINOR), (Bb3, MAJOR), (F3, MAJOR),
    (G3, MINOR), (C4 - 12, MAJOR), (F3, MAJOR), (C4 - 12, MAJOR),
]

# The melody, bar by bar, as (note, beats).
MELODY = [
    [(A4, 1.5), (G4, 0.5), (F4, 1), (C5, 1)],
    [(D5, 1.5), (C5, 0.5), (A4, 2)],
    [(Bb4, 1), (D5, 1), (C5, 1), (Bb4, 1)],
    [(A4, 1), (G4, 3)],
    [(A4, 1.5), (G4, 0.5), (F4, 1), (F5, 1)],
    [(E5, 1.5), (D5, 0.5), (C5, 2)],
    [(D5, 1), (C5, 1), (Bb4, 1), (A4, 1)],
    [(G4, 3), (REST, 1)],
    [(F5, 1.5), (E5, 0.5), (D5, 1), (A4, 1)],
    [(C5, 1.5), (A4, 0.5), (E5, 2)],
    [(D5, 1), (F5, 1), (D5, 1), (Bb4, 1)],
    [(C5, 3), (A4, 1)],
    [(Bb4, 1.5), (A4, 0.5), (G4, 1), (D5, 1)],
    [(C5, 1.5), (Bb4, 0.5), (A4, 1), (G4, 1)],
    [(F4, 1), (A4, 1), (C5, 2)],
    [(G4, 3), (REST, 1)],
]


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes): note-offs sort before note-ons at the same tick

    def add(self, tick, data, order=1):
        self.events.append((tick, order, len(self.events), bytes(data)))

    def note(self, channel, tick, length, key, velocity):
        self.add(tick, [0x90 | channel, key, velocity])
        self.add(tick + length, [0x80 | channel, key, 0], order=0)

    def encode(self, end_tick):
        out = bytearray()
        last = 0
        for tick, _, _, data in sorted(self.events):
            assert tick <= end_tick
            out += var_len(tick - last) + data
            last = tick
        out += var_len(end_tick - last) + bytes([0xFF, 0x2F, 0])
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def setup(track, channel, program, volume, pan, reverb, name):
    meta_name = name.encode("ascii")
    track.add(0, [0xFF, 0x03, len(meta_name)] + list(meta_name), order=-1)
    track.add(0, [0xC0 | channel, program], order=-1)
    track.add(0, [0xB0 | channel, 7, volume], order=-1)
    track.add(0, [0xB0 | channel, 10, pan], order=-1)
    track.add(0, [0xB0 | channel, 91, reverb], order=-1)


def build():
    end = BAR * len(MELODY)

    conductor = Track()
    title = b"Lanternfall"
    conductor.add(0, [0xFF, 0x03, len(title)] + list(title))
    conductor.add(0, [0xFF, 0x58, 4, 4, 2, 24, 8])  # 4/4
    micros = 60_000_000 // BEATS_PER_MINUTE
    conductor.add(0, [0xFF, 0x51, 3] + list(micros.to_bytes(3, "big")))

    melody = Track()
    setup(melody, 0, FLUTE, 100, 64, 70, "Flute")
    for bar, notes in enumerate(MELODY):
        tick = bar * BAR
        for i, (key, beats) in enumerate(notes):
            length = int(beats * TICKS_PER_QUARTER)
            if key is not REST:
                # Phrase shape: the first beat of a bar a little stronger, long notes softer at their end.
                velocity = 78 if i == 0 else 68
                melody.note(0, tick, length - 24, key, velocity)
            tick += length

    harp = Track()
    setup(harp, 1, HARP, 88, 44, 80, "Harp")
    for bar, (root, triad) in enumerate(CHORDS):
        base = root + 12
        pattern = [0, triad[2], 12, 12 + triad[1], 12 + triad[2], 12 + triad[1], 12, triad[2]]
        for step, offset in enumerate(pattern):
            velocity = 58 if step == 0 else 46 if step % 2 == 0 else 40
            start = step * TICKS_PER_QUARTER // 2
            length = min(TICKS_PER_QUARTER, BAR - start)  # the last note of the last bar ends with the file
            harp.note(1, bar * BAR + start, length, base + offset, velocity)

    pad = Track()
    setup(pad, 2, STRINGS, 72, 84, 90, "Strings")
    for bar, (root, triad) in enumerate(CHORDS):
        if bar < 4:
            continue  # the strings come in with the second phrase
        for offset in triad:
            pad.note(2, bar * BAR, BAR - 30, root + 12 + offset, 44)

    bass = Track()
    setup(bass, 3, PIZZICATO, 84, 64, 60, "Bass")
    for bar, (root, triad) in enumerate(CHORDS):
        bass.note(3, bar * BAR, TICKS_PER_QUARTER, root - 12, 62)
        bass.note(3, bar * BAR + 2 * TICKS_PER_QUARTER, TICKS_PER_QUARTER, root - 12 + triad[2], 54)

    tracks = [conductor, melody, harp, pad, bass]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_QUARTER)
    return header + b"".join(t.encode(end) for t in tracks)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: midigen.py OUTPUT.mid\n")
        return 2
    with open(sys.argv[1], "wb") as f:
        f.write(build())
    return 0


if __name__ == "__main__":
    sys.exit(main())
