#!/usr/bin/python3
"""Record the 25 instrument sounds of the instruments module.

Writes, under the output folder (default: the repository's
resources/instruments/sounds/), NN_NAME.wav for each listening question:
a RIFF WAVE of uncompressed PCM, 44100 Hz, 16 bits, two channels, lasting
exactly the question's number of seconds (to the sample).

Each recording is a short phrase that shows its instrument off: written here
note by note, saved as a Standard MIDI File (format 0, one track), rendered by
the FluidSynth command-line synthesiser with the FluidR3 General MIDI
soundfont to 32-bit float samples, then cut or padded to length, faded out
over its last moments, brought to a common loudness without clipping and
written as 16-bit PCM.  Seventeen recordings carry a LIST/INFO chunk naming
the instrument (INAM) between the "fmt " and "data" chunks; the other eight
are plain "fmt " + "data".

Nothing depends on the clock or on randomness: with the same FluidSynth and
soundfont two runs write byte-identical files.

Usage: /usr/bin/python3 tools/make_instrument_sounds.py [OUTPUT_DIR] [--keep-midi DIR]
Needs Debian's fluidsynth and fluid-soundfont-gm.
"""

import argparse
import array
import math
import os
import struct
import subprocess
import sys
import tempfile

SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
FLUIDSYNTH = "fluidsynth"
RATE = 44100
CHANNELS = 2
PPQ = 480                 # MIDI ticks per quarter note
RENDER_TAIL = 0.5         # seconds rendered past the recording's length
SYNTH_GAIN = 0.5

# Loudness: every recording is brought to TARGET_RMS (about -17 dBFS over the
# part that sounds) unless its peak would then pass PEAK_LIMIT (-1 dBFS).
TARGET_RMS = 0.14
PEAK_LIMIT = 0.89
SILENCE = 1e-3            # frames quieter than this do not count for the RMS

DRUMS = 9                 # MIDI channel of the General MIDI percussion kit

# General MIDI programs (0-based).
PIANO, TUBULAR_BELLS, HARMONICA = 0, 14, 22
NYLON_GUITAR, OVERDRIVEN_GUITAR, DISTORTION_GUITAR, FINGER_BASS = 24, 29, 30, 33
VIOLIN, TRUMPET, TROMBONE, FRENCH_HORN = 40, 56, 57, 60
ALTO_SAX, CLARINET, FLUTE, TAIKO = 65, 71, 73, 116

# General MIDI percussion keys (channel 10).
SNARE, ELECTRIC_SNARE = 38, 40
LOW_FLOOR_TOM, HIGH_FLOOR_TOM, LOW_TOM, LOW_MID_TOM, HIGH_MID_TOM, HIGH_TOM = 41, 43, 45, 47, 48, 50
CLOSED_HIHAT, PEDAL_HIHAT, OPEN_HIHAT = 42, 44, 46
CRASH, CRASH_2 = 49, 57
MUTE_HIGH_CONGA, OPEN_HIGH_CONGA, LOW_CONGA = 62, 63, 64
MARACAS = 70
SHORT_WHISTLE, LONG_WHISTLE = 71, 72
MUTE_TRIANGLE, OPEN_TRIANGLE = 80, 81

NOTE_INDEX = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def key(name):
    """MIDI key of a note name such as "C4" (60), "F#3" or "Bb2"."""
    semitone = NOTE_INDEX[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        semitone += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + semitone


class Phrase:
    """The events of one recording, timed in beats at a fixed tempo."""

    def __init__(self, bpm):
        self.bpm = bpm
        self.bend_semitones = 2   # the synthesiser's default pitch-bend range
        self.events = []  # (tick, rank, sequence, bytes); note-offs rank first

    def seconds(self, beats):
        return beats * 60.0 / self.bpm

    def beats(self, seconds):
        return seconds * self.bpm / 60.0

    def _add(self, beat, rank, data):
        self.events.append((max(0, round(beat * PPQ)), rank, len(self.events), bytes(data)))

    def setup(self, channel, program=None, volume=100, reverb=40, pan=64):
        if program is not None:
            self._add(0, 1, [0xC0 | channel, program])
        for control, value in ((7, volume), (10, pan), (11, 127), (91, reverb), (93, 0)):
            self.cc(0, channel, control, value)

    def cc(self, beat, channel, control, value):
        self._add(beat, 1, [0xB0 | channel, control, max(0, min(127, round(value)))])

    def note(self, beat, length, key_number, velocity, channel=0):
        key_number = key(key_number) if isinstance(key_number, str) else key_number
        self._add(beat, 2, [0x90 | channel, key_number, max(1, min(127, round(velocity)))])
        self._add(beat + length, 0, [0x80 | channel, key_number, 0])

    def chord(self, beat, length, keys, velocity, channel=0, spread=0.0):
        for index, key_number in enumerate(keys):
            self.note(beat + index * spread, length - index * spread, key_number, velocity, channel)

    def hit(self, beat, key_number, velocity, length=0.25):
        self.note(beat, length, key_number, velocity, DRUMS)

    def bend_range(self, channel, semitones):
        for control, value in ((101, 0), (100, 0), (6, semitones), (38, 0), (101, 127), (100, 127)):
            self.cc(0, channel, control, value)
        self.bend_semitones = semitones

    def bend(self, beat, channel, semitones):
        value = 8192 + round(semitones / self.bend_semitones * 8192)
        value = max(0, min(16383, value))
        self._add(beat, 1, [0xE0 | channel, value & 0x7F, value >> 7])

    def glide(self, start, end, channel, from_semitones, to_semitones, steps=24):
        """Pitch slides smoothly (sine-shaped) between two bends."""
        for step in range(steps + 1):
            t = step / steps
            shape = 0.5 - 0.5 * math.cos(math.pi * t)
            self.bend(start + (end - start) * t, channel,
                      from_semitones + (to_semitones - from_semitones) * shape)

    def vibrato(self, start, end, channel, depth, rate_hz, centre=0.0, delay=0.0):
        """Pitch-bend vibrato of +-depth semitones around centre, growing in over `delay` beats."""
        step = self.beats(1.0 / (rate_hz * 16))
        beat = start
        while beat < end:
            grow = 1.0 if delay <= 0 else min(1.0, (beat - start) / delay)
            phase = 2 * math.pi * rate_hz * self.seconds(beat - start)
            self.bend(beat, channel, centre + depth * grow * math.sin(phase))
            beat += step
        self.bend(end, channel, centre)

    def swell(self, start, end, channel, control, from_value, to_value, steps=16):
        for step in range(steps + 1):
            t = step / steps
            self.cc(start + (end - start) * t, channel, control,
                    from_value + (to_value - from_value) * t)

    def midi_file(self, seconds):
        """Format 0 Standard MIDI File; the track ends RENDER_TAIL after `seconds`."""
        tempo = round(60_000_000 / self.bpm)
        end_tick = round(self.beats(seconds + RENDER_TAIL) * PPQ)
        track = bytearray(variable_length(0) + b"\xff\x51\x03" + tempo.to_bytes(3, "big"))
        now = 0
        for tick, _, _, data in sorted(self.events):
            tick = min(tick, end_tick)
            track += variable_length(tick - now) + data
            now = tick
        track += variable_length(end_tick - now) + b"\xff\x2f\x00"
        header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ)
        return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


# --- The phrases ---------------------------------------------------------
# Each builder writes one recording's notes into a Phrase of its own tempo.
# The playing ends a little before the recording does, so that the last
# notes ring before the fade.


def power_chord(root):
    return [root, root + 7, root + 12]


def electric_guitar_riff(p):
    """Overdriven rock riff in E minor: palm-muted chugs and power chords."""
    p.setup(0, OVERDRIVEN_GUITAR, reverb=30)
    e, g, a, d, c = key("E2"), key("G2"), key("A2"), key("D3"), key("C3")

    def chug(beat):
        p.chord(beat, 0.3, [e, e + 7], 78)

    def bar_one(start):
        chug(start)
        chug(start + 0.5)
        chug(start + 1)
        p.chord(start + 1.5, 0.5, power_chord(g), 112)
        chug(start + 2)
        p.chord(start + 2.5, 1.0, power_chord(a), 118)
        p.chord(start + 3.5, 0.5, power_chord(g), 108)

    bar_one(0)
    chug(4)
    chug(4.5)
    chug(5)
    p.chord(5.5, 0.5, power_chord(d), 110)
    p.chord(6, 0.5, power_chord(c), 110)
    p.chord(6.5, 1.5, power_chord(d), 118)
    bar_one(8)
    p.chord(12, 2.6, power_chord(e), 124, spread=0.04)
    p.vibrato(13, 14.6, 0, 0.25, 5.5, delay=0.6)


def nylon_guitar(p):
    """Fingerpicked arpeggios A minor - D minor - E - A minor, then a rolled chord."""
    p.setup(0, NYLON_GUITAR, reverb=50)
    chords = [("A2", "A3", "C4", "E4"), ("D3", "A3", "D4", "F4"),
              ("E2", "G#3", "B3", "E4"), ("A2", "A3", "C4", "E4")]
    pattern = (0, 1, 2, 3, 2, 1, 2, 3)  # thumb on the bass, then fingers i m a m i m a
    for index, chord in enumerate(chords):
        start = 2.0 * index
        for step, voice in enumerate(pattern):
            beat = start + 0.25 * step
            velocity = 92 if step == 0 else (70 if step % 2 else 62)
            p.note(beat, 2.0 - 0.25 * step, chord[voice], velocity)
    p.chord(8, 2.7, ["A2", "E3", "A3", "C4", "E4", "A4"], 84, spread=0.06)


def electric_guitar_solo(p):
    """Distorted lead in A minor pentatonic with string bends and wide vibrato."""
    p.setup(0, DISTORTION_GUITAR, reverb=45)
    p.bend_range(0, 2)
    p.note(0.0, 0.5, "C5", 100)
    p.note(0.5, 1.25, "D5", 108)
    p.glide(0.6, 0.95, 0, 0, 2)            # bend D up to E
    p.glide(1.4, 1.7, 0, 2, 0)             # and release
    p.note(1.75, 0.25, "C5", 96)
    p.note(2.0, 1.0, "A4", 104)
    p.vibrato(2.1, 3.0, 0, 0.35, 6.0, delay=0.3)
    for index, name in enumerate(("G4", "A4", "C5", "D5")):
        p.note(3.0 + 0.25 * index, 0.25, name, 96 + 4 * index)
    p.note(4.0, 0.5, "E5", 108)
    p.note(4.5, 0.5, "G5", 110)
    p.note(5.0, 1.5, "A5", 118)
    p.vibrato(5.2, 6.5, 0, 0.4, 6.0, delay=0.4)
    for index, name in enumerate(("G5", "E5", "D5", "C5")):
        p.note(6.5 + 0.25 * index, 0.25, name, 104 - 3 * index)
    p.note(7.5, 1.5, "D5", 112)
    p.glide(7.6, 7.95, 0, 0, 2)
    p.vibrato(7.95, 9.0, 0, 0.3, 5.5, centre=2)
    p.bend(9.0, 0, 0)
    for index, name in enumerate(("C5", "A4", "G4", "E4")):
        p.note(9.0 + 0.375 * index, 0.375, name, 100 - 2 * index)
    p.note(10.5, 2.6, "A4", 116)
    p.vibrato(10.8, 13.1, 0, 0.45, 5.5, delay=0.8)


def harmonica(p):
    """Blues phrase in C with double stops, a bent note and hand tremolo."""
    p.setup(0, HARMONICA, reverb=35)
    p.bend_range(0, 2)
    p.chord(0.0, 0.5, ["E4", "G4"], 96)
    p.note(0.5, 0.5, "G4", 88)
    p.note(1.0, 1.0, "Bb4", 104)
    p.glide(1.0, 1.3, 0, -1, 0)            # draw bend up into the blue note
    p.note(2.0, 0.5, "C5", 100)
    p.note(2.5, 0.5, "Bb4", 92)
    p.note(3.0, 1.5, "G4", 100)
    p.vibrato(3.2, 4.5, 0, 0.2, 5.0)
    p.chord(4.5, 0.5, ["E4", "G4"], 96)
    p.chord(5.0, 0.5, ["G4", "C5"], 104)
    p.note(5.5, 0.5, "Bb4", 96)
    p.note(6.0, 0.5, "A4", 90)
    p.note(6.5, 0.5, "G4", 92)
    p.chord(7.0, 2.6, ["C4", "E4", "G4"], 108)
    # Hand tremolo: the cupped hands open and close on the last chord.
    beat = 7.5
    while beat < 9.6:
        p.cc(beat, 0, 11, 127)
        p.cc(beat + 0.1875, 0, 11, 80)
        beat += 0.375
    p.cc(9.6, 0, 11, 127)


def violin(p):
    """Lyrical phrase in D major rising to the high register, with vibrato."""
    p.setup(0, VIOLIN, reverb=55)
    p.cc(0, 0, 1, 0)
    p.note(0.0, 0.5, "A4", 90)
    p.note(0.5, 0.5, "D5", 96)
    p.note(1.0, 1.0, "F#5", 104)
    p.swell(1.0, 2.0, 0, 1, 0, 40)
    p.cc(2.0, 0, 1, 0)
    for index, name in enumerate(("E5", "F#5", "G5", "A5")):
        p.note(2.0 + 0.25 * index, 0.25, name, 96 + 3 * index)
    p.note(3.0, 0.5, "B5", 108)
    p.note(3.5, 0.5, "A5", 100)
    p.note(4.0, 1.35, "D6", 110)
    p.swell(4.0, 5.3, 0, 1, 10, 55)
    p.swell(4.0, 4.5, 0, 11, 100, 127, steps=6)


def saxophone(p):
    """Swung jazz line in B flat on alto saxophone: a scoop, a held note and a fall."""
    p.setup(0, ALTO_SAX, reverb=45)
    p.bend_range(0, 2)
    swing = (0.0, 0.667)
    line = ("F4", "G4", "Bb4", "C5", "Db5", "D5", "F5", "D5")
    for index, name in enumerate(line):
        beat = index // 2 + swing[index % 2]
        length = 0.667 if index % 2 == 0 else 0.333
        p.note(beat, length, name, 100 if index % 2 == 0 else 86)
    p.note(4.0, 1.5, "F5", 110)
    p.glide(4.0, 4.2, 0, -0.8, 0)          # scoop into the note
    p.vibrato(4.4, 5.5, 0, 0.25, 5.5, delay=0.3)
    p.note(5.5, 0.333, "D5", 96)
    p.note(5.833, 0.167, "C5", 88)
    p.note(6.0, 1.6, "Bb4", 106)
    p.vibrato(6.2, 7.1, 0, 0.2, 5.5)
    p.glide(7.1, 7.6, 0, 0, -2)            # fall off the last note
    p.bend(7.7, 0, 0)


def electric_bass(p):
    """Fingerstyle groove on electric bass in E."""
    p.setup(0, FINGER_BASS, reverb=20)
    line = ((0.0, 0.5, "E1"), (0.75, 0.25, "E1"), (1.0, 0.25, "E2"), (1.5, 0.5, "D2"),
            (2.0, 0.5, "B1"), (2.5, 0.5, "A1"), (3.0, 0.5, "G1"), (3.5, 0.5, "G#1"),
            (4.0, 0.5, "A1"), (4.75, 0.25, "A1"), (5.0, 0.25, "A2"), (5.5, 0.5, "G2"),
            (6.0, 0.5, "E2"), (6.5, 0.25, "D2"), (6.75, 0.25, "B1"), (7.0, 0.8, "E1"))
    for beat, length, name in line:
        accent = 116 if beat == int(beat) else 96
        p.note(beat, length * 0.9, name, accent)


def trombone(p):
    """The slide: a glissando up, a short call, and a glissando down."""
    p.setup(0, TROMBONE, reverb=45)
    p.bend_range(0, 12)
    p.bend(0, 0, -7)
    p.note(0.0, 1.5, "F3", 100)
    p.glide(0.05, 0.85, 0, -7, 0, steps=40)   # Bb2 up to F3 on the slide
    p.note(1.5, 0.5, "D3", 96)
    p.note(2.0, 0.5, "F3", 100)
    p.note(2.5, 1.9, "Bb3", 112)
    p.cc(2.5, 0, 1, 0)
    p.swell(2.9, 3.5, 0, 1, 0, 35, steps=8)
    p.cc(3.5, 0, 1, 0)
    p.glide(3.5, 4.15, 0, 0, -5, steps=40)   # and back down to F3
    p.bend(4.5, 0, 0)


def snare_drum(p):
    """Military snare: strokes, flams and two crescendo rolls."""
    p.setup(DRUMS, reverb=30)
    for beat, velocity in ((0, 118), (0.5, 80), (0.75, 84), (1.0, 112), (1.5, 90)):
        p.hit(beat, SNARE, velocity)
    p.hit(1.46, SNARE, 50)                  # flam grace note

    def roll(start, length, low, high):
        steps = round(length * 12)
        for step in range(steps):
            p.hit(start + step / 12, SNARE, low + (high - low) * step / steps, 0.1)

    roll(2.0, 1.0, 45, 100)
    p.hit(3.0, SNARE, 120)
    for index, velocity in enumerate((110, 76, 90, 76)):
        p.hit(4.0 + 0.25 * index, SNARE, velocity)
    p.hit(4.96, SNARE, 52)
    p.hit(5.0, SNARE, 116)
    p.hit(5.5, SNARE, 88)
    roll(6.0, 1.0, 40, 105)
    p.hit(7.0, SNARE, 124)
    p.hit(7.0, ELECTRIC_SNARE, 70)


def hihat(p):
    """Hi-hat groove: closed eighths, open strokes closed again by the foot."""
    p.setup(DRUMS, reverb=30)
    pattern = ((0, CLOSED_HIHAT, 104), (0.5, CLOSED_HIHAT, 70), (1.0, CLOSED_HIHAT, 96),
               (1.5, OPEN_HIHAT, 100), (2.0, PEDAL_HIHAT, 96), (2.5, CLOSED_HIHAT, 72),
               (3.0, CLOSED_HIHAT, 100), (3.5, OPEN_HIHAT, 104), (4.0, PEDAL_HIHAT, 96),
               (4.25, CLOSED_HIHAT, 70), (4.5, CLOSED_HIHAT, 86), (4.75, CLOSED_HIHAT, 72),
               (5.0, CLOSED_HIHAT, 104), (5.5, OPEN_HIHAT, 112))
    for beat, drum, velocity in pattern:
        p.hit(beat, drum, velocity, length=1.0 if drum == OPEN_HIHAT else 0.25)


def clarinet(p):
    """From the dark low register up into the clear upper one, in F major."""
    p.setup(0, CLARINET, reverb=50)
    line = ((0.0, 0.75, "F3", 96), (0.75, 0.25, "A3", 84), (1.0, 0.5, "C4", 92),
            (1.5, 0.5, "F4", 100), (2.0, 0.25, "A4", 104), (2.25, 0.25, "G4", 96),
            (2.5, 0.25, "F4", 94), (2.75, 0.25, "E4", 92), (3.0, 0.5, "G4", 100),
            (3.5, 1.25, "F4", 98))
    for beat, length, name, velocity in line:
        p.note(beat, length, name, velocity)
    p.swell(3.6, 4.75, 0, 11, 127, 90, steps=8)


def triangle(p):
    """Open strokes, the muted-open pattern, a tremolo and a last ringing stroke."""
    p.setup(DRUMS, reverb=40)
    for beat in (0.0, 1.0, 2.0):
        p.hit(beat, OPEN_TRIANGLE, 96, length=1.0)
    for beat, drum in ((3.0, MUTE_TRIANGLE), (3.5, MUTE_TRIANGLE), (4.0, OPEN_TRIANGLE),
                       (4.5, MUTE_TRIANGLE), (5.0, MUTE_TRIANGLE), (5.5, OPEN_TRIANGLE)):
        p.hit(beat, drum, 90, length=0.5)
    steps = 28                              # tremolo between two sides, beats 6 to 9.5
    for step in range(steps):
        p.hit(6.0 + step * 0.125, OPEN_TRIANGLE, 50 + 50 * step / steps, length=0.125)
    p.hit(9.5, OPEN_TRIANGLE, 112, length=2.5)


def drum(p):
    """A big drum struck with mallets."""
    p.setup(0, TAIKO, reverb=45)
    strokes = ((0.0, 124), (1.0, 92), (1.5, 96), (2.0, 120), (2.5, 78), (2.75, 86),
               (3.0, 127))
    for beat, velocity in strokes:
        p.note(beat, 0.9, "C3", velocity)


def cymbal(p):
    """One suspended cymbal: a mallet roll swelling to a crash that rings."""
    p.setup(DRUMS, reverb=40)
    steps = 64                              # 4 seconds of roll at 16 strokes a second
    for step in range(steps):
        p.hit(step / 8, CRASH, 30 + 64 * (step / steps) ** 1.5, length=0.2)
    p.hit(8.0, CRASH, 124, length=5.0)


def flute(p):
    """Agile flute phrase in G major: a run, a trill and a held note."""
    p.setup(0, FLUTE, reverb=55)
    p.note(0.0, 0.5, "D5", 92)
    for index, name in enumerate(("G5", "A5", "B5", "C6")):
        p.note(0.5 + 0.25 * index, 0.25, name, 94 + 2 * index)
    p.note(1.5, 1.0, "D6", 104)
    p.swell(1.7, 2.5, 0, 1, 0, 30, steps=8)
    p.cc(2.5, 0, 1, 0)
    for step in range(6):                   # trill C6 - D6
        p.note(2.5 + step * 0.125, 0.125, "C6" if step % 2 == 0 else "D6", 92)
    for index, name in enumerate(("B5", "A5", "G5", "F#5", "A5")):
        p.note(3.25 + 0.25 * index, 0.25, name, 96)
    p.note(4.5, 1.6, "G5", 100)
    p.swell(4.7, 6.1, 0, 1, 0, 35, steps=10)


def horn_call(p):
    """Brassy horn call on the notes of the F harmonic series, played fortissimo."""
    p.setup(0, FRENCH_HORN, reverb=50)
    call = ((0.0, 0.667, "C4"), (0.667, 0.333, "F4"), (1.0, 0.667, "A4"), (1.667, 0.333, "F4"),
            (2.0, 1.0, "C5"), (3.0, 0.667, "A4"), (3.667, 0.333, "F4"), (4.0, 0.667, "C4"),
            (4.667, 1.25, "F4"))
    for beat, length, name in call:
        p.note(beat, length * 0.95, name, 124)


def horn_melody(p):
    """Soft legato horn melody in E flat."""
    p.setup(0, FRENCH_HORN, reverb=60)
    melody = ((0.0, 0.5, "Bb3", 72), (0.5, 1.0, "Eb4", 80), (1.5, 0.5, "D4", 76),
              (2.0, 0.5, "C4", 72), (2.5, 0.8, "Bb3", 70))
    for beat, length, name, velocity in melody:
        p.note(beat, length, name, velocity)
    p.swell(0.5, 1.5, 0, 11, 100, 127, steps=8)
    p.swell(2.5, 3.3, 0, 11, 120, 80, steps=8)


def whistle(p):
    """A referee's whistle: one short blast, then a longer one."""
    p.setup(DRUMS, reverb=20)
    p.hit(0.0, SHORT_WHISTLE, 110, length=p.beats(0.2))
    p.hit(p.beats(0.22), LONG_WHISTLE, 116, length=p.beats(0.4))


def trumpet(p):
    """Trumpet fanfare in C: triple-tongued repeats, a leap to high C and a held close."""
    p.setup(0, TRUMPET, reverb=50)
    third = 1 / 3
    notes = [(0.0, third, "C5", 104), (third, third, "C5", 92), (2 * third, third, "C5", 96),
             (1.0, 1.0, "G5", 112), (2.0, 0.5, "E5", 104), (2.5, 0.5, "C5", 100),
             (3.0, 1.0, "G4", 104), (4.0, third, "C5", 100), (4.0 + third, third, "E5", 104),
             (4.0 + 2 * third, third, "G5", 108), (5.0, 1.5, "C6", 118), (6.5, 0.5, "B5", 104),
             (7.0, 0.5, "A5", 102), (7.5, 0.5, "G5", 100), (8.0, third, "F5", 96),
             (8.0 + third, third, "E5", 96), (8.0 + 2 * third, third, "D5", 96),
             (9.0, 0.5, "E5", 104), (9.5, 0.5, "D5", 100), (10.0, 2.6, "C5", 112)]
    for beat, length, name, velocity in notes:
        p.note(beat, length * 0.95, name, velocity)
    p.swell(5.3, 6.5, 0, 1, 0, 30, steps=8)
    p.cc(6.5, 0, 1, 0)
    p.swell(10.6, 12.6, 0, 1, 0, 30, steps=10)


def maracas(p):
    """A pair of maracas shaking a Latin sixteenth-note pattern."""
    p.setup(DRUMS, reverb=30)
    accents = (112, 58, 84, 62)
    for beat in range(8):
        for step, velocity in enumerate(accents):
            pan = 44 if step % 2 == 0 else 84   # the two hands
            p.cc(beat + 0.25 * step - 0.01, DRUMS, 10, pan)
            p.hit(beat + 0.25 * step, MARACAS, velocity + (6 if beat % 2 else 0), length=0.2)
    p.hit(8.0, MARACAS, 120, length=0.3)


def congas(p):
    """A bar of tumbao on two congas and the next downbeat."""
    p.setup(DRUMS, reverb=35)
    pattern = ((0.0, MUTE_HIGH_CONGA, 70), (0.5, MUTE_HIGH_CONGA, 58),
               (1.0, MUTE_HIGH_CONGA, 112), (1.5, MUTE_HIGH_CONGA, 60),
               (2.0, MUTE_HIGH_CONGA, 70), (2.5, MUTE_HIGH_CONGA, 58),
               (3.0, OPEN_HIGH_CONGA, 104), (3.5, OPEN_HIGH_CONGA, 104),
               (4.0, LOW_CONGA, 116))
    for beat, drum, velocity in pattern:
        p.hit(beat, drum, velocity, length=0.5)


def tom_toms(p):
    """Tom-tom groove and a fill descending from the high tom to the floor toms."""
    p.setup(DRUMS, reverb=40)
    for step in range(4):
        p.hit(0.5 * step, HIGH_TOM if step % 2 == 0 else HIGH_MID_TOM, 110 - 8 * (step % 2))
    for step in range(2):
        p.hit(2.0 + 0.5 * step, LOW_MID_TOM if step == 0 else LOW_TOM, 108)
    p.hit(3.0, HIGH_FLOOR_TOM, 112)
    p.hit(3.5, LOW_FLOOR_TOM, 104)
    fill = (HIGH_TOM, HIGH_TOM, HIGH_MID_TOM, HIGH_MID_TOM, LOW_MID_TOM, LOW_MID_TOM,
            LOW_TOM, LOW_TOM, HIGH_FLOOR_TOM, HIGH_FLOOR_TOM, LOW_FLOOR_TOM, LOW_FLOOR_TOM)
    for step, drum in enumerate(fill):
        p.hit(4.0 + 0.25 * step, drum, 96 + (16 if step % 2 == 0 else 0))
    p.hit(7.0, LOW_FLOOR_TOM, 124, length=1.0)
    p.hit(7.0, HIGH_FLOOR_TOM, 110, length=1.0)


def bells(p):
    """Three tubular bells, high to low."""
    p.setup(0, TUBULAR_BELLS, reverb=50)
    for index, name in enumerate(("G5", "E5", "C5")):
        p.note(index * 0.5, 2.0, name, 112 - 6 * index)


def clash_cymbals(p):
    """A pair of clash cymbals: a light clash, then a full one that rings."""
    p.setup(DRUMS, reverb=40)
    p.hit(0.0, CRASH, 86, length=1.0)
    p.hit(0.0, CRASH_2, 80, length=1.0)
    p.hit(1.0, CRASH, 124, length=3.0)
    p.hit(1.0, CRASH_2, 120, length=3.0)


def piano(p):
    """Piano, both hands: a melody over broken chords, C - G7 - C, with the pedal."""
    p.setup(0, PIANO, reverb=45)
    melody = ((0.0, 1.0, "E5", 92), (1.0, 0.5, "D5", 80), (1.5, 0.5, "C5", 78),
              (2.0, 1.0, "G5", 96), (3.0, 0.5, "F5", 84), (3.5, 0.5, "D5", 80))
    for beat, length, name, velocity in melody:
        p.note(beat, length, name, velocity)
    left = (("C3", "G3", "C4", "E4"), ("G2", "D3", "F3", "B3"))
    for half, chord in enumerate(left):
        for step, name in enumerate(chord):
            p.note(2.0 * half + 0.5 * step, 2.0 - 0.5 * step, name, 64 + (8 if step == 0 else 0))
    p.chord(4.0, 1.8, ["C2", "C3", "G3", "C4", "E4", "G4", "C5"], 96, spread=0.02)
    for beat, value in ((0.0, 127), (1.97, 0), (2.0, 127), (3.97, 0), (4.02, 127)):
        p.cc(beat, 0, 64, value)


# Number, resource name, seconds, INAM text (None: no LIST chunk), tempo, phrase.
SOUNDS = (
    (1, "GUITARE_ELECTRIQUE", 6.9, "Guitare électrique", 132, electric_guitar_riff),
    (2, "GUITARE", 6.8, "Guitare", 96, nylon_guitar),
    (3, "GUITARE_ELECTRIQUE", 8.4, "Guitare électrique", 100, electric_guitar_solo),
    (4, "HARMONICA", 6.7, "Harmonica", 90, harmonica),
    (5, "VIOLON", 4.2, "Violon", 80, violin),
    (6, "SAXOPHONE", 4.2, "Saxophone", 120, saxophone),
    (7, "BASSE", 4.7, "Basse électrique", 100, electric_bass),
    (8, "TROMBONE", 3.0, "Trombone", 100, trombone),
    (9, "CAISSE_CLAIRE", 4.7, None, 100, snare_drum),
    (10, "CHARLEY", 3.5, None, 110, hihat),
    (11, "CLARINETTE", 3.7, "Clarinette", 84, clarinet),
    (12, "TRIANGLE", 6.1, None, 120, triangle),
    (13, "TAMBOUR", 2.3, "Tambour", 110, drum),
    (14, "CYMBALE", 7.0, None, 120, cymbal),
    (15, "FLUTE", 4.2, "Flûte", 96, flute),
    (16, "COR_CUIVRE", 3.1, "Cor (cuivré)", 120, horn_call),
    (17, "COR", 2.9, "Cor", 72, horn_melody),
    (18, "SIFFLET", 0.7, "Sifflet", 120, whistle),
    (19, "TROMPETTE", 7.4, "Trompette", 112, trumpet),
    (20, "MARACAS", 5.4, None, 96, maracas),
    (21, "CONGAS", 2.5, None, 115, congas),
    (22, "TOMS_TOMS", 5.0, None, 100, tom_toms),
    (23, "CLOCHES", 1.3, "Cloches", 120, bells),
    (24, "CYMBALES", 2.2, None, 100, clash_cymbals),
    (25, "PIANO", 4.0, "Piano", 90, piano),
)


# --- Rendering and writing -----------------------------------------------


def render(midi_bytes, workdir, stem):
    """Float stereo frames of the MIDI file, interleaved, as FluidSynth renders them."""
    midi_path = os.path.join(workdir, stem + ".mid")
    raw_path = os.path.join(workdir, stem + ".raw")
    with open(midi_path, "wb") as out:
        out.write(midi_bytes)
    subprocess.run([FLUIDSYNTH, "-ni", "-q", "-g", str(SYNTH_GAIN), "-r", str(RATE),
                    "-T", "raw", "-O", "float", "-E", "little", "-F", raw_path,
                    SOUNDFONT, midi_path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    samples = array.array("f")
    with open(raw_path, "rb") as raw:
        samples.frombytes(raw.read())
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def finish(samples, seconds):
    """Cut or pad to length, fade out, level; 16-bit integer samples."""
    frames = round(seconds * RATE)
    wanted = frames * CHANNELS
    values = list(samples[:wanted]) + [0.0] * max(0, wanted - len(samples))
    fade = round(min(0.25, 0.1 * seconds) * RATE)
    for frame in range(frames - fade, frames):
        gain = math.cos(0.5 * math.pi * (frame - (frames - fade) + 1) / fade) ** 2
        values[2 * frame] *= gain
        values[2 * frame + 1] *= gain
    peak = max(abs(v) for v in values)
    loud = [v for v in values if abs(v) > SILENCE]
    rms = math.sqrt(sum(v * v for v in loud) / len(loud))
    level = min(TARGET_RMS / rms, PEAK_LIMIT / peak)
    return array.array("h", (max(-32767, min(32767, round(v * level * 32767))) for v in values))


def info_chunk(name):
    """LIST/INFO chunk naming the instrument: INAM, a NUL-terminated CP1252 string."""
    text = name.encode("cp1252") + b"\0"
    body = b"INFO" + b"INAM" + struct.pack("<I", len(text)) + text + b"\0" * (len(text) % 2)
    return b"LIST" + struct.pack("<I", len(body)) + body


def wave_bytes(pcm, name):
    if sys.byteorder != "little":
        pcm.byteswap()
    data = pcm.tobytes()
    block = CHANNELS * 2
    fmt = struct.pack("<HHIIHH", 1, CHANNELS, RATE, RATE * block, block, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if name is not None:
        body += info_chunk(name)
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    default = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                           "resources", "instruments", "sounds")
    parser.add_argument("output", nargs="?", default=default)
    parser.add_argument("--keep-midi", metavar="DIR", help="also save the MIDI files here")
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)
    with tempfile.TemporaryDirectory() as workdir:
        for number, name, seconds, title, bpm, build in SOUNDS:
            stem = "%02d_%s" % (number, name)
            phrase = Phrase(bpm)
            build(phrase)
            midi = phrase.midi_file(seconds)
            if args.keep_midi:
                os.makedirs(args.keep_midi, exist_ok=True)
                with open(os.path.join(args.keep_midi, stem + ".mid"), "wb") as out:
                    out.write(midi)
            pcm = finish(render(midi, workdir, stem), seconds)
            with open(os.path.join(args.output, stem + ".wav"), "wb") as out:
                out.write(wave_bytes(pcm, title))
            print("%s.wav  %.2f s%s" % (stem, seconds, "  LIST/INFO" if title else ""))


if __name__ == "__main__":
    main()
