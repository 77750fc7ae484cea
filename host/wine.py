"""Windows modules under Wine, on a machine without a display or a MIDI device.

A private prefix: the null display driver, no Mono or Gecko prompts, a
wineserver kept warm so that a module run costs tens of milliseconds. Two
Windows helpers of ours, built with the Windows modules, can be put in:
- a MIDI-out driver standing in for the MIDI mapper (midimap.dll), which
  accepts what the modules send and logs it with its time to the file named
  by QZ_MIDI_LOG: there is no MIDI device here to hear it;
- a program that closes message boxes as they appear: a failing module
  reports in one, which would wait for ever without a display.
Wine's sound goes to the PulseAudio server of the environment.
"""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

WINE = "wine"
KEEP_SERVER_SECONDS = 600


class WinePrefix:
    def __init__(self, folder=None, midi_driver=None, box_closer=None, architecture="x86_64"):
        """`folder` holds the prefix (a temporary one, removed on close, when
        None); `midi_driver` and `box_closer` are the helpers to put in, built
        for `architecture`: "x86_64" makes a 64-bit Windows, "i686" a 32-bit
        one (Wine's win32 prefix, which needs Debian's wine32:i386)."""
        self._temporary = folder is None
        self.folder = Path(folder or tempfile.mkdtemp(prefix="qz-wine-"))
        self.midi_driver = Path(midi_driver) if midi_driver else None
        self.box_closer = Path(box_closer) if box_closer else None
        self.architecture = architecture
        self._box_closer_process = None

    @classmethod
    def kept_open_elsewhere(cls, folder):
        """A prefix another process opened and will close (a test run's),
        with the MIDI stand-in it put in, if any."""
        installed = Path(folder) / "drive_c/windows/system32/midimap.dll"
        is_32_bit = "#arch=win32" in (Path(folder) / "system.reg").read_text(errors="replace")
        return cls(folder, installed if installed.exists() else None,
                   architecture="i686" if is_32_bit else "x86_64")

    def environment(self, base=None) -> dict:
        env = dict(os.environ if base is None else base)
        env["WINEPREFIX"] = str(self.folder)
        if self.architecture == "i686":
            env["WINEARCH"] = "win32"
        env["WINEDEBUG"] = "-all"
        overrides = "mscoree,mshtml="
        if self.midi_driver:
            # Ours for the MIDI mapper; and no ALSA driver, whose MIDI half
            # would look for a sequencer these machines lack and say so on
            # stderr. Wave sound goes through PulseAudio.
            overrides += ";midimap=n;winealsa.drv=d"
        env["WINEDLLOVERRIDES"] = overrides
        return env

    def command(self, executable, *args) -> list:
        return [WINE, str(executable), *map(str, args)]

    def _run(self, *command, timeout=120):
        subprocess.run(command, env=self.environment(), check=True, timeout=timeout,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def open(self):
        """Creates the prefix if it is new, puts the helpers in, and starts
        the wineserver and the box closer. About 10 s for a new prefix."""
        if shutil.which(WINE) is None:
            raise RuntimeError("wine is not installed (Debian packages wine and wine64)")
        if not (self.folder / "system.reg").exists():
            self._run("wineboot", "-i")
            self._run(WINE, "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics",
                      "/d", "null", "/f")
            self._run("wineserver", "-w")
        installed = self.folder / "drive_c/windows/system32/midimap.dll"
        if self.midi_driver and self.midi_driver != installed:
            shutil.copyfile(self.midi_driver, installed)
        # Kept warm between runs; detached, so that it holds no caller's pipe.
        subprocess.Popen(["wineserver", "-p", str(KEEP_SERVER_SECONDS)],
                         env=self.environment(), stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait()
        self._run(WINE, "cmd", "/c", "exit")  # the first program settles the prefix
        if self.box_closer:
            self._box_closer_process = subprocess.Popen(
                self.command(self.box_closer), env=self.environment(),
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
        return self

    def close(self):
        """Stops every program of the prefix and its wineserver."""
        subprocess.run(["wineserver", "-k"], env=self.environment(), check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self._box_closer_process:
            self._box_closer_process.wait(timeout=30)
        if self._temporary:
            shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self.open()

    def __exit__(self, *exc):
        self.close()
