#!/usr/bin/env python3
"""A class on the web host: simulated pupils start their sessions at once
and play them through the host's JSON calls as the page does.

    bench/classroom.py [--pupils 25] [--questions 20] [--bin DIR] [--tools DIR]

Each pupil is a device of its own (its own loopback address). The note
modules and instruments are played at a pupil's pace (an answer 1.5 to 4 s
after the question, the next question 0.3 to 1 s after the verdict), the
bank modules without sound flat out; meanwhile each page follows its
module's countdown as the page does. Next-to-shown is the time from asking
for the next question to having it and its picture, as the page shows it;
the sound is fetched after, as the page does. Prints the starts refused,
next-to-shown median and 95th percentile per kind of module, and, at their
peak, the host's memory, its module processes and private sound servers.
Fails (exit 1, with the counts) on any start refused, any call the host
refused or did not answer, any question a module could not put, or any
answer missing from the results file.
"""

import argparse
import csv
import http.client
import json
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter, defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
# Who plays what, in turn for each pupil: module, kind, at a pupil's pace.
PLAN = [
    ("treble2", "notes", True), ("oeuvres", "oeuvres", False), ("bass3", "notes", True),
    ("instruments", "instruments", True), ("treble5", "notes", True),
    ("theorie", "theorie", False), ("bass6", "notes", True), ("oeuvres", "oeuvres", False),
    ("treble7", "notes", True), ("portraits", "portraits", False), ("bass2", "notes", True),
    ("oeuvres", "oeuvres", False), ("treble3", "notes", True),
]


class Pupil(threading.Thread):
    def __init__(self, number, port, plan, questions, start_together, timings, refused, errors):
        super().__init__(daemon=True)
        self.number = number
        self.address = f"127.0.0.{10 + number}"
        self.port = port
        self.module, self.kind, self.paced = plan
        self.questions = questions
        self.start_together = start_together
        self.timings = timings
        self.refused = refused
        self.errors = errors  # every call refused or unanswered, after the start
        self.name = f"Élève {number}"
        self.answered = 0  # answers the host took: each must be a row of the results
        self.random = random.Random(number)

    def call(self, method, path, body=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30,
                                                source_address=(self.address, 0))
        try:
            headers = {"Content-Type": "application/json"} if method == "POST" else {}
            connection.request(method, path, json.dumps(body or {}) if method == "POST" else
                               None, headers)
            response = connection.getresponse()
            data = response.read()
        except OSError as error:
            self.errors.append(f"{self.address} {method} {path}: {error}")
            raise
        finally:
            connection.close()
        if response.status >= 400 and path != "/api/sessions":
            self.errors.append(f"{self.address} {method} {path}: {response.status} "
                               f"{data[:200].decode(errors='replace')}")
        return response.status, data

    def run(self):
        self.start_together.wait()
        try:
            status, data = self.call("POST", "/api/sessions", {
                "module": self.module, "length": self.questions, "pupil": self.name})
        except OSError as error:
            self.refused.append(f"{self.address}: {error}")
            return
        if status != 201:
            self.refused.append(f"{self.address}: {status} {data.decode()}")
            return
        try:
            self.play(json.loads(data)["id"])
        except (OSError, ValueError, KeyError) as error:
            self.errors.append(f"{self.address}: the session stopped: {error!r}")

    def play(self, session):
        for number in range(1, self.questions + 1):
            asked = time.monotonic()
            _, data = self.call("POST", f"/api/sessions/{session}/next")
            question = json.loads(data)
            if question.get("picture"):
                self.call("GET", question["picture"])
            self.timings[self.kind].append(time.monotonic() - asked)
            if question.get("sound"):
                threading.Thread(target=self.call, args=("GET", question["sound"]),
                                 daemon=True).start()
            if question.get("error"):
                self.errors.append(f"{self.address} question {number}: {question['error']}")
                continue
            self.following = question.get("running", False)
            if self.paced:
                self.think(session, self.random.uniform(1.5, 4.0))
            place = self.random.choice([place for place, answer
                                        in enumerate(question["answers"], 1) if answer])
            status, _ = self.call("POST", f"/api/sessions/{session}/answer",
                                  {"number": number, "place": place})
            self.answered += status == 200
            if self.paced:
                self.think(session, self.random.uniform(0.3, 1.0))

    def think(self, session, seconds):
        """Waits as a pupil does, while the page follows the module's
        countdown (every 250 ms, as long as the module lives)."""
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            time.sleep(min(0.25, max(0.0, until - time.monotonic())))
            if self.following:
                status, data = self.call("GET", f"/api/sessions/{session}/module")
                self.following = status == 200 and json.loads(data)["running"]


class Peaks(threading.Thread):
    """The host's memory and the processes it runs, sampled every 100 ms."""

    def __init__(self, host_pid, work):
        super().__init__(daemon=True)
        self.host_pid, self.work = host_pid, str(work)
        self.memory_mb = self.modules = self.sound_servers = self.sound_servers_mb = 0
        self.stopped = threading.Event()

    def run(self):
        while not self.stopped.wait(0.1):
            modules = sound_servers = 0
            sound_servers_kb = 0
            for cmdline in Path("/proc").glob("[0-9]*/cmdline"):
                try:
                    command = cmdline.read_text(errors="replace")
                    if self.work not in command:
                        continue
                    if ".exe" in command:
                        modules += 1
                    elif command.startswith("pulseaudio"):
                        sound_servers += 1
                        sound_servers_kb += rss_kb(cmdline.parent / "status")
                except OSError:
                    continue
            self.memory_mb = max(self.memory_mb, rss_kb(Path(f"/proc/{self.host_pid}/status"))
                                 / 1024)
            self.modules = max(self.modules, modules)
            self.sound_servers = max(self.sound_servers, sound_servers)
            self.sound_servers_mb = max(self.sound_servers_mb, sound_servers_kb / 1024)


def rss_kb(status: Path) -> int:
    try:
        return int(re.search(r"VmRSS:\s+(\d+)", status.read_text())[1])
    except (OSError, TypeError):
        return 0


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pupils", type=int, default=25)
    parser.add_argument("--questions", type=int, default=20)
    parser.add_argument("--bin", default=ROOT / "build" / "release" / "bin")
    parser.add_argument("--tools", default=ROOT / "build" / "release" / "tools")
    args = parser.parse_args()
    work = Path(tempfile.mkdtemp(prefix="qz-classroom-"))
    host = subprocess.Popen(
        [sys.executable, str(ROOT / "qz"), "--bin", str(args.bin), "--tools", str(args.tools),
         "serve", "--port", "0", "--work-dir", str(work), "--results",
         str(work / "resultats.csv")], stdout=subprocess.PIPE, text=True)
    try:
        port = int(re.search(r":(\d+)/", host.stdout.readline())[1])
        peaks = Peaks(host.pid, work)
        peaks.start()
        timings, refused, errors = defaultdict(list), [], []
        start_together = threading.Barrier(args.pupils)
        pupils = [Pupil(number, port, PLAN[number % len(PLAN)], args.questions, start_together,
                        timings, refused, errors) for number in range(args.pupils)]
        started = time.monotonic()
        for pupil in pupils:
            pupil.start()
        for pupil in pupils:
            pupil.join()
        peaks.stopped.set()
        peaks.join()
        with (work / "resultats.csv").open(encoding="utf-8-sig", newline="") as file:
            rows = Counter(row["élève"] for row in csv.DictReader(file, delimiter=";"))
        missing = sum(max(0, pupil.answered - rows[pupil.name]) for pupil in pupils)
    finally:
        host.terminate()
        host.wait(timeout=30)
        shutil.rmtree(work, ignore_errors=True)
    print(f"{args.pupils} pupils, {args.questions} questions each, "
          f"{time.monotonic() - started:.0f} s; starts refused: {len(refused)}")
    for line in refused:
        print(f"  {line}")
    print("next-to-shown (s):   questions  median     p95     max")
    for kind, values in sorted(timings.items()):
        print(f"  {kind:<16} {len(values):>10} {statistics.median(values):>7.3f} "
              f"{percentile(values, 0.95):>7.3f} {max(values):>7.3f}")
    print(f"at peak: host {peaks.memory_mb:.0f} MB, {peaks.modules} module processes, "
          f"{peaks.sound_servers} private sound servers ({peaks.sound_servers_mb:.0f} MB)")
    answered = sum(pupil.answered for pupil in pupils)
    print(f"answers taken {answered}, missing from the results file {missing}; "
          f"calls refused or unanswered, or questions not put {len(errors)}")
    for line in errors[:20]:
        print(f"  {line}")
    if refused or errors or missing:
        sys.exit(f"classroom: FAILED: {len(refused)} starts refused, {len(errors)} calls "
                 f"refused or unanswered or questions not put, {missing} answers missing "
                 f"from the results file")


if __name__ == "__main__":
    main()
