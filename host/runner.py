"""How a module file is started. The host prepares the module's folder (the
module file and its exchange file); a runner only starts the program there.

NativeRunner runs this machine's modules, WineRunner the Windows ones under
Wine."""

import os
import subprocess
from pathlib import Path


class NativeRunner:
    """Runs a module file as a program of this machine: no arguments, the
    host's environment (the sound server's address among it) with
    `environment` added, started from the module's folder. stderr is kept for
    the module's error line."""

    def start(self, module_file: Path, folder: Path,
              environment: dict[str, str] | None = None) -> subprocess.Popen:
        return subprocess.Popen([str(module_file.absolute())], cwd=folder,
                                env={**os.environ, **environment} if environment else None,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)


class WineRunner:
    """Runs a Windows module file under Wine, in a prefix of host/wine.py."""

    def __init__(self, prefix):
        self.prefix = prefix

    def start(self, module_file: Path, folder: Path,
              environment: dict[str, str] | None = None) -> subprocess.Popen:
        return subprocess.Popen(self.prefix.command(module_file.absolute()), cwd=folder,
                                env={**self.prefix.environment(), **(environment or {})},
                                stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
