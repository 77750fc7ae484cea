#!/usr/bin/env python3
"""Time from starting a module process to its record standing on disk.

    bench/start_to_record.py [--runs N] [MODULE.exe]

Polls the exchange file as fast as it can after starting the module and
stops the module once the record has replaced the host's request.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
HOST = b'"a","b","c","d","e","f","g","h","i"\r\n'


def one_run(executable: Path, folder: Path) -> float:
    exchange = folder / "question.qzd"
    exchange.write_bytes(HOST)
    started = time.perf_counter()
    process = subprocess.Popen([str(executable)], stderr=subprocess.PIPE)
    try:
        while True:
            try:
                if exchange.read_bytes() != HOST:
                    return time.perf_counter() - started
            except FileNotFoundError:
                pass
            if process.poll() is not None and exchange.read_bytes() == HOST:
                raise RuntimeError(process.stderr.read().decode())
            time.sleep(0.0001)  # poll as a host would, leaving the cores to the module
    finally:
        process.kill()
        process.wait()


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("module", nargs="?", default="Treble7.exe")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--bin", default=os.environ.get("QZ_BIN_DIR", ROOT / "build/release/bin"))
    args = parser.parse_args()
    folder = Path(tempfile.mkdtemp(prefix="qz-bench-"))
    try:
        executable = folder / args.module
        shutil.copy2(Path(args.bin) / args.module, executable)
        times = sorted(one_run(executable, folder) * 1000 for _ in range(args.runs))
    finally:
        shutil.rmtree(folder)
    print(f"{args.module}: start to record on disk over {args.runs} runs: "
          f"median {statistics.median(times):.2f} ms, min {times[0]:.2f} ms, "
          f"max {times[-1]:.2f} ms")


if __name__ == "__main__":
    main()
