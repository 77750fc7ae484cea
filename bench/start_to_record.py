#!/usr/bin/env python3
"""Time from starting a module process to its record standing on disk.

    bench/start_to_record.py [--runs N] [--reference] [--windows] [--row N] [MODULE.exe]

Polls the exchange file as fast as it can after starting the module and
stops the module once the record has replaced the host's request. With
--reference, also builds bench/durable_write_reference.c (the least a module
can do: read the file, temporary file, fsync, rename) and times it in turns
with the module, so that both see the same machine, and prints the ratio.
With --windows, times the Windows module (build/windows/bin) under a warm
Wine: a private prefix whose wineserver stays up between runs. With --row N,
times instruments.exe asking row N, through the test program that chooses
its row (row 76 names the largest recording, 1.4 MB).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT))
from host.wine import WinePrefix  # noqa: E402
HOST = b'"a","b","c","d","e","f","g","h","i"\r\n'


def one_run(executable: Path, prefix=None, args=()) -> float:
    exchange = executable.parent / "question.qzd"
    exchange.write_bytes(HOST)
    command = prefix.command(executable, *args) if prefix else [str(executable), *args]
    environment = prefix.environment() if prefix else None
    started = time.perf_counter()
    process = subprocess.Popen(command, stderr=subprocess.PIPE, env=environment)
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


def summary(name: str, times: list) -> str:
    times = sorted(t * 1000 for t in times)
    return (f"{name}: start to record on disk over {len(times)} runs: "
            f"median {statistics.median(times):.2f} ms, min {times[0]:.2f} ms, "
            f"max {times[-1]:.2f} ms")


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("module", nargs="?", default="Treble7.exe")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--reference", action="store_true",
                        help="time the minimal C program in turns and print the ratio")
    parser.add_argument("--windows", action="store_true",
                        help="the Windows module under a warm Wine")
    parser.add_argument("--bin", default=os.environ.get("QZ_BIN_DIR"))
    parser.add_argument("--row", type=int, help="instruments.exe asking this row")
    args = parser.parse_args()
    build = ROOT / "build" / ("windows" if args.windows else "release")
    args.bin = args.bin or build / "bin"
    prefix = None
    if args.windows:
        helpers = build / "wine"
        prefix = WinePrefix(None, helpers / "midimap.dll",
                            helpers / "dismiss_message_boxes.exe").open()
    folder = Path(tempfile.mkdtemp(prefix="qz-bench-"))
    try:
        (folder / "module").mkdir()
        executable = folder / "module" / args.module
        shutil.copy2(Path(args.bin) / args.module, executable)
        run_args = ()
        if args.row:
            # The test program plays from instruments.exe beside it.
            program = Path(args.bin).parent / "tests" / ("instruments_row" +
                                                         (".exe" if args.windows else ""))
            executable = folder / "module" / program.name
            shutil.copy2(program, executable)
            run_args = (str(args.row),)
        reference = None
        if args.reference:
            (folder / "reference").mkdir()
            reference = folder / "reference" / "reference"
            subprocess.run(["cc", "-O2", "-o", str(reference),
                            str(ROOT / "bench/durable_write_reference.c")], check=True)
        module_times, reference_times = [], []
        for _ in range(args.runs):
            module_times.append(one_run(executable, prefix, run_args))
            if reference:
                reference_times.append(one_run(reference))
    finally:
        shutil.rmtree(folder)
        if prefix:
            prefix.close()
    print(summary(args.module + (f" row {args.row}" if args.row else ""), module_times))
    if reference_times:
        print(summary("reference C program", reference_times))
        ratio = statistics.median(module_times) / statistics.median(reference_times)
        print(f"{args.module} / reference: {ratio:.2f}x (medians)")


if __name__ == "__main__":
    main()
