"""Runs built modules as real processes in temporary folders."""

import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

FIXTURES_DIR = Path(os.environ.get("QZ_FIXTURES_DIR",
                                   Path(__file__).resolve().parents[2] / "build/release/tests"))
BIN_DIR = Path(os.environ.get("QZ_BIN_DIR", Path(__file__).resolve().parents[2] / "build/release/bin"))
HOST_RECORD = b'"a","b","c","d","e","f","g","h","i"\r\n'
RECORD_LINE = re.compile(rb'^("[^"\r\n]*",){8}"[^"\r\n]*"\r\n$')


class ModuleRun:
    """One module started from its own temporary folder."""

    def __init__(self, literal, host_content=HOST_RECORD, file_name=None, mode=None,
                 keep_literal_copy=False, program=None, args=(), prepare=None, env=None,
                 wrapper=()):
        """Copies module `literal` (or the test `program` standing in for it)
        into a new folder, under `file_name` if given, and starts it there
        (through the `wrapper` command, with `env` added to the environment)
        once `prepare`, if given, has been called with the folder."""
        self.folder = Path(tempfile.mkdtemp(prefix="qz-e2e-"))
        source = Path(program) if program else BIN_DIR / literal
        self.executable = self.folder / (file_name or source.name)
        shutil.copy2(source, self.executable)
        if keep_literal_copy:
            shutil.copy2(BIN_DIR / literal, self.folder / literal)
        self.exchange = self.folder / "question.qzd"
        self.host_content = host_content
        if host_content is not None:
            self.exchange.write_bytes(host_content)
            if mode is not None:
                self.exchange.chmod(mode)
        if prepare is not None:
            prepare(self.folder)
        self.started = time.monotonic()
        # Started from another folder: the module must find its file by itself.
        self.process = subprocess.Popen(
            [*wrapper, str(self.executable), *args], cwd=tempfile.gettempdir(),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env={**os.environ, **(env or {})})

    def wait(self, timeout=30):
        self.stdout, self.stderr = self.process.communicate(timeout=timeout)
        self.seconds = time.monotonic() - self.started
        self.returncode = self.process.returncode
        self.record = self.exchange.read_bytes() if self.exchange.is_file() else None
        return self

    def fields(self):
        assert RECORD_LINE.match(self.record), self.record
        return [f.decode("cp1252") for f in re.findall(rb'"([^"]*)"', self.record)]

    def cleanup(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()
        shutil.rmtree(self.folder, ignore_errors=True)
