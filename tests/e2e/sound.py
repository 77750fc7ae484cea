"""Listening to what the modules play: capture from the sound server, find
where a sound starts and which pitch it has."""

import math
import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import numpy as np

RATE = 44100
SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"
SILENCE = 0.005  # peak level below which a capture counts as silent


def key_frequency(key):
    return 440.0 * 2 ** ((key - 69) / 12)


def cents(frequency, reference):
    return 1200 * math.log2(frequency / reference)


def sound_server_answers():
    return subprocess.run(["pactl", "info"], capture_output=True).returncode == 0


class Capture:
    """Records the monitor of sink "qz" while it runs.

    An idle null sink delivers its first block late, so the start of the
    recording is not the moment capturing began; its end is the moment it
    stopped (small latency, drained on SIGINT), and times are counted back
    from there."""

    def __init__(self, path, server=None):
        """Records the sink of the sound server at address `server`, by
        default the one the environment names."""
        self.path = Path(path)
        self._file = open(self.path, "wb")
        environment = {**os.environ, "PULSE_SERVER": server} if server else None
        self._process = subprocess.Popen(
            ["parec", "-d", "qz.monitor", "--format=s16le", f"--rate={RATE}", "--channels=2",
             "--latency-msec=20"], stdout=self._file, env=environment)

    def stop(self):
        self.stopped_at = time.monotonic()
        self._process.send_signal(signal.SIGINT)
        self._process.wait(timeout=10)
        self._file.close()
        raw = np.frombuffer(self.path.read_bytes(), dtype="<i2")
        self.samples = raw[: len(raw) // 2 * 2].reshape(-1, 2).astype(np.float64).mean(axis=1) / 32768
        return self

    def time_of_sample(self, index):
        """Monotonic time at which sample `index` was played."""
        return self.stopped_at - (len(self.samples) - index) / RATE

    def onset_index(self, threshold=0.01):
        loud = np.flatnonzero(np.abs(self.samples) > threshold)
        return int(loud[0]) if len(loud) else None


def level_db(samples, loudest_200_ms=True):
    """RMS level in dBFS of mono samples: over their loudest 200 ms, or all."""
    window = int(0.2 * RATE) if loudest_200_ms else len(samples)
    power = np.concatenate([[0.0], np.cumsum(np.asarray(samples, dtype=np.float64) ** 2)])
    return 10 * np.log10(((power[window:] - power[:-window]) / window).max())


def recordings_level_db():
    """The median level of the instruments' recordings, as the notes must match."""
    levels = []
    for path in sorted((Path(__file__).resolve().parents[2] / "resources/instruments/sounds")
                       .glob("*.wav")):
        data = path.read_bytes()
        at = 12
        while data[at:at + 4] != b"data":
            at += 8 + int.from_bytes(data[at + 4:at + 8], "little")
            at += at % 2
        size = int.from_bytes(data[at + 4:at + 8], "little")
        stereo = np.frombuffer(data[at + 8:at + 8 + size], dtype="<i2").reshape(-1, 2)
        levels.append(level_db(stereo.astype(np.float64).mean(axis=1) / 32768, False))
    return float(np.median(levels))


def pitch(samples, start):
    """Fundamental frequency of the note starting at `start`.

    The strongest spectral peak of a piano note is often its second or third
    harmonic, so the peak is refined and then the sub-harmonics below it are
    checked: the lowest one that stands out as a peak of its own is taken as
    the fundamental."""
    window = samples[start + int(0.05 * RATE): start + int(0.55 * RATE)]
    window = window * np.hanning(len(window))
    size = 1 << (len(window) * 8 - 1).bit_length()
    spectrum = np.abs(np.fft.rfft(window, size))
    bin_hz = RATE / size
    low, high = int(25 / bin_hz), int(5000 / bin_hz)
    strongest = low + int(np.argmax(spectrum[low:high]))

    def refined_peak_near(frequency, tolerance=0.03):
        lo = max(1, int(frequency * (1 - tolerance) / bin_hz))
        hi = int(frequency * (1 + tolerance) / bin_hz) + 1
        k = lo + int(np.argmax(spectrum[lo:hi]))
        a, b, c = np.log(spectrum[k - 1: k + 2] + 1e-12)
        offset = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0.0
        return (k + offset) * bin_hz, spectrum[k]

    peak_hz, peak_level = refined_peak_near(strongest * bin_hz, 0.002)
    for divisor in range(8, 1, -1):
        candidate = peak_hz / divisor
        if candidate < 25:
            continue
        hz, level = refined_peak_near(candidate)
        neighbourhood = spectrum[int(candidate * 0.8 / bin_hz): int(candidate * 1.2 / bin_hz)]
        if level > 0.08 * peak_level and level >= 2.5 * np.median(neighbourhood):
            return hz
    return peak_hz


def render_midi(midi_bytes, workdir):
    """Renders a MIDI file with the fluidsynth command and the modules'
    soundfont; mono samples."""
    midi = Path(workdir) / "note.mid"
    raw = Path(workdir) / "note.raw"
    midi.write_bytes(midi_bytes)
    subprocess.run(["fluidsynth", "-ni", "-q", "-F", str(raw), "-T", "raw", "-O", "s16",
                    "-r", str(RATE), SOUNDFONT, str(midi)], check=True, capture_output=True)
    data = np.frombuffer(raw.read_bytes(), dtype="<i2")
    return data[: len(data) // 2 * 2].reshape(-1, 2).astype(np.float64).mean(axis=1) / 32768


class PrivateSoundServer:
    """A PulseAudio server of the test's own, which it may stop; any user may
    connect to it. With `start` false, its address is known but the server
    starts only at start(). With `sink` false, it has no output at all."""

    def __init__(self, start=True, sink=True):
        self.sink = sink
        self.runtime = Path(tempfile.mkdtemp(prefix="qz-pulse-"))
        self.runtime.chmod(0o755)
        self.address = f"unix:{self.runtime / 'native'}"
        self.process = None
        if start:
            self.start()

    def start(self):
        native = self.runtime / "native"
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1",
             *(["--load=module-null-sink sink_name=faults"] if self.sink else []),
             f"--load=module-native-protocol-unix auth-anonymous=1 socket={native}"],
            env={**os.environ, "HOME": str(self.runtime), "XDG_RUNTIME_DIR": str(self.runtime)},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if subprocess.run(["pactl", "-s", self.address, "info"],
                              capture_output=True).returncode == 0:
                return
            time.sleep(0.05)
        self.close()
        raise RuntimeError("the test's sound server did not start")

    def close(self):
        if self.process:
            self.process.send_signal(signal.SIGCONT)
            self.process.terminate()
            self.process.wait(timeout=10)
        shutil.rmtree(self.runtime, ignore_errors=True)
