#!/usr/bin/env python3
"""Measures how loud the General MIDI soundfont plays each piano key the note
modules use, and prints the per-key correction table of
platform/linux/sound/note_levels.cpp.

    /usr/bin/python3 tools/measure_note_levels.py [SOUNDFONT]

Renders the note modules' note (the 65-byte template: acoustic grand piano,
velocity 80, 1.92 s) for every key from 28 to 96 with the fluidsynth command
at its default settings, takes the RMS of the loudest 200 ms of each, and
groups neighbouring keys whose levels lie within 1 dB of each other: the
soundfont's samples each cover a few keys, and differ by up to 7 dB. Each
group's correction brings it to the median level. Needs the Debian packages
fluidsynth, timgm6mb-soundfont and python3-numpy.
"""

import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np

RATE = 44100
LOWEST_KEY, HIGHEST_KEY = 28, 96
TOLERANCE_DB = 1.0
# The note template (see note_reading/note_resources.cpp), key bytes at 54 and 59.
TEMPLATE = bytes.fromhex(
    "4d546864000000060001000200f0"
    "4d54726b0000001300ff580404021808" "00ff51030927c0" "00ff2f00"
    "4d54726b0000001000c000" "00903c50" "8600803c40" "00ff2f00")


def loudest_200ms_db(samples):
    window = int(0.2 * RATE)
    power = np.concatenate([[0.0], np.cumsum(samples ** 2)])
    return 10 * np.log10(((power[window:] - power[:-window]) / window).max())


def level_of(key, soundfont, folder):
    note = bytearray(TEMPLATE)
    note[54] = note[59] = key
    midi, raw = Path(folder) / "note.mid", Path(folder) / "note.raw"
    midi.write_bytes(note)
    subprocess.run(["fluidsynth", "-ni", "-q", "-F", str(raw), "-T", "raw", "-O", "s16",
                    "-r", str(RATE), soundfont, str(midi)], check=True, capture_output=True)
    stereo = np.frombuffer(raw.read_bytes(), dtype="<i2").astype(float).reshape(-1, 2) / 32768
    return loudest_200ms_db(stereo.mean(axis=1))


def main():
    soundfont = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/sounds/sf2/TimGM6mb.sf2"
    with tempfile.TemporaryDirectory() as folder:
        levels = {k: level_of(k, soundfont, folder) for k in range(LOWEST_KEY, HIGHEST_KEY + 1)}
    median = float(np.median(list(levels.values())))
    groups = [[LOWEST_KEY]]
    for key in range(LOWEST_KEY + 1, HIGHEST_KEY + 1):
        group = [levels[k] for k in groups[-1]] + [levels[key]]
        if max(group) - min(group) <= TOLERANCE_DB:
            groups[-1].append(key)
        else:
            groups.append([key])
    print(f"// median level {median:.1f} dBFS; spread "
          f"{max(levels.values()) - min(levels.values()):.1f} dB before, after:")
    worst = 0.0
    for group in groups:
        correction = round(median - float(np.mean([levels[k] for k in group])), 1)
        worst = max(worst, *(abs(levels[k] + correction - median) for k in group))
        print(f"    {{{group[0]}, {correction:.1f}F}},  // keys {group[0]}-{group[-1]}")
    print(f"// every key within {worst:.1f} dB of the median")


if __name__ == "__main__":
    main()
