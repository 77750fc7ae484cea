"""The web host on a shared network: what a class, a careless device or
another site may send it. The server runs in this process with stand-in
modules (tests/host/test_session.py) and short time limits."""

import csv
import http.client
import io
import json
import shutil
import socket
import tempfile
import threading
import time
import unittest
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from host.results import ResultsLog
from host.runner import NativeRunner
from host.server import QuizServer
from host.session import HostFolder, Limits, Sessions
from host.sound import SoundLibrary
from tests.host.test_session import write_stand_in

TEACHER_CODE = "c0de"


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-server-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        bin_dir = self.work / "bin"
        bin_dir.mkdir()
        write_stand_in(bin_dir / "oeuvres.exe", failing_runs=1, folder_as_answer=False)
        write_stand_in(bin_dir / "theorie.exe", lives=30.0, folder_as_answer=False)
        (bin_dir / "modules.tsv").write_text(  # as the build writes it beside the modules
            "name\tfile\tkind\tclef\tlevel\tasked\tcarried\tseconds\tsound_at\n"
            "oeuvres\toeuvres.exe\toeuvres\t-\t-\t-\t-\t0\t0\n"
            "theorie\ttheorie.exe\ttheorie\t-\t-\t-\t-\t0\t0\n")
        results = ResultsLog(self.work / "resultats.csv")
        results.open_or_create()
        self.host_folder = HostFolder(self.work / "runs")
        self.addCleanup(self.host_folder.close)
        self.sessions = Sessions(bin_dir, self.work, results, NativeRunner(), self.host_folder,
                                 limits=Limits(sessions=3, sessions_per_client=2,
                                               idle_seconds=0.4))
        self.addCleanup(self.sessions.close_all)
        self.server = QuizServer("127.0.0.1", 0, self.sessions,
                                 SoundLibrary(self.work, bin_dir, self.work / "sounds"), TEACHER_CODE,
                                 idle_timeout=0.5)
        self.port = self.server.server_address[1]
        self.addCleanup(self.server.server_close)
        self.replies: list[bytes] = []  # every body the server sent

    def serve(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.addCleanup(self.server.shutdown)

    def request(self, method, path, body=None, headers=None, source="127.0.0.1"):
        """(status, headers, body) of one request from address `source`."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10,
                                                source_address=(source, 0))
        data = json.dumps(body).encode() if isinstance(body, dict) else body
        sent = {"Content-Type": "application/json"} if method == "POST" else {}
        connection.request(method, path, data, {**sent, **(headers or {})})
        response = connection.getresponse()
        reply = response.read()
        connection.close()
        self.replies.append(reply)
        return response.status, response.headers, reply

    def start(self, module="oeuvres", source="127.0.0.1", **extra):
        return self.request("POST", "/api/sessions",
                            {"module": module, "length": 2, "pupil": "Léa", **extra},
                            source=source)

    def test_a_class_connecting_at_once_is_queued_and_served(self):
        # Connected before the server accepts any: only a listen queue holds them.
        waiting = [socket.create_connection(("127.0.0.1", self.port), timeout=2)
                   for _ in range(64)]
        self.serve()

        def modules(connection):
            connection.sendall(b"GET /api/modules HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n"
                               % self.port)
            with connection, connection.makefile("rb") as reply:
                return reply.readline()

        with ThreadPoolExecutor(16) as pool:
            status_lines = list(pool.map(modules, waiting))
        self.assertEqual(set(status_lines), {b"HTTP/1.0 200 OK\r\n"})

    def test_idle_and_unfinished_requests_are_closed_after_the_timeout(self):
        self.serve()
        for sent in [b"", b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"]:
            with socket.create_connection(("127.0.0.1", self.port)) as idle:
                idle.sendall(sent)
                idle.settimeout(5)
                started = time.monotonic()
                self.assertEqual(idle.recv(1024), b"")
                self.assertLess(time.monotonic() - started, 3)

    def test_bodies_that_are_missing_negative_oversized_or_short_are_refused(self):
        self.serve()
        cases = [({}, 411), ({"Content-Length": "-1"}, 400), ({"Content-Length": "x"}, 400),
                 ({"Content-Length": "400000000"}, 413), ({"Content-Length": "20"}, 400)]
        for headers, status in cases:
            with self.subTest(headers):
                connection = socket.create_connection(("127.0.0.1", self.port))
                head = "".join(f"{key}: {value}\r\n" for key, value in headers.items())
                connection.sendall(f"POST /api/sessions HTTP/1.0\r\nHost: 127.0.0.1:{self.port}"
                                   f"\r\nContent-Type: application/json\r\n{head}\r\n{{}}"
                                   .encode())
                with connection, connection.makefile("rb") as reply:
                    self.assertIn(f" {status} ".encode(), reply.readline())

    def test_only_json_from_the_page_itself_addressed_to_this_machine_is_taken(self):
        self.serve()
        own = f"http://127.0.0.1:{self.port}"
        body = json.dumps({"module": "oeuvres", "length": 1, "pupil": "Léa"}).encode()
        cases = [({"Content-Type": "text/plain"}, 415),
                 ({"Content-Type": "application/x-www-form-urlencoded"}, 415),
                 ({"Origin": "http://other.example"}, 403),
                 ({"Origin": own, "Sec-Fetch-Site": "cross-site"}, 403),
                 ({"Host": f"quiz.other.example:{self.port}"}, 421),
                 ({"Host": "127.0.0.1:1"}, 421),
                 ({"Origin": own, "Sec-Fetch-Site": "same-origin"}, 201)]
        for headers, status in cases:
            with self.subTest(headers):
                self.assertEqual(self.request("POST", "/api/sessions", body, headers)[0], status)

    def test_every_reply_forbids_framing_and_sniffing(self):
        self.serve()
        for method, path in [("GET", "/"), ("GET", "/static/app.js"), ("GET", "/api/modules"),
                             ("GET", "/nowhere"), ("DELETE", "/"), ("POST", "/api/sessions")]:
            with self.subTest(path=path, method=method):
                _, headers, _ = self.request(method, path, b"{}")
                self.assertEqual(headers["X-Content-Type-Options"], "nosniff")
                self.assertIn("frame-ancestors 'none'", headers["Content-Security-Policy"])

    def test_sessions_are_capped_per_device_and_in_all(self):
        self.serve()
        first = json.loads(self.start()[2])["id"]
        self.assertEqual(self.start()[0], 201)
        status, _, reply = self.start()
        self.assertEqual(status, 429)
        self.assertIn("Cet appareil a déjà trop de sessions", json.loads(reply)["error"])
        # A new session from the page that left one takes its place.
        self.assertEqual(self.start(previous=first)[0], 201)
        self.assertEqual(self.request("POST", f"/api/sessions/{first}/next", b"")[0], 404)
        self.assertEqual(self.start(source="127.0.0.2")[0], 201)
        self.assertEqual(self.start(source="127.0.0.3")[0], 429)

    def test_a_session_left_alone_is_closed_its_module_stopped_and_folder_removed(self):
        self.serve()
        abandoned = json.loads(self.start("theorie")[2])["id"]
        self.assertEqual(self.request("POST", f"/api/sessions/{abandoned}/next", b"")[0], 200)
        session = self.sessions.get(abandoned)
        for _ in range(100):
            if not session.folder.exists():
                break
            time.sleep(0.05)
        self.assertFalse(session.folder.exists())
        self.assertFalse(session.module_state()[0], "the module was stopped")
        self.assertEqual(self.request("GET", f"/api/sessions/{abandoned}/summary")[0], 404)

    def test_a_session_tells_no_server_path_even_when_its_module_fails(self):
        self.serve()
        session = json.loads(self.start()[2])["id"]
        failed = json.loads(self.request("POST", f"/api/sessions/{session}/next", b"")[2])
        self.assertEqual(failed["error"], "Le module n’a pas pu poser cette question.")
        self.request("POST", f"/api/sessions/{session}/next", b"")
        self.request("POST", f"/api/sessions/{session}/answer", {"number": 2, "place": 1})
        summary = json.loads(self.request("GET", f"/api/sessions/{session}/summary")[2])
        self.assertEqual((summary["failed"], len(summary["missed"])), ([1], 1))
        self.request("POST", "/api/sessions", {"module": "../../etc/passwd", "length": 1})
        self.request("GET", "/static/..%2f..%2fqz")
        for reply in self.replies:
            self.assertNotIn(str(self.work).encode(), reply)
            self.assertNotRegex(reply.decode(), r"/(tmp|work|usr|home)/")

    def test_a_removed_work_folder_is_made_again_and_a_killed_hosts_leftovers_go(self):
        self.serve()
        shutil.rmtree(self.work / "runs")
        session = json.loads(self.start()[2])["id"]
        self.request("POST", f"/api/sessions/{session}/next", b"")  # the stand-in fails once
        self.assertEqual(self.request("POST", f"/api/sessions/{session}/next", b"")[0], 200)

        leftover = self.work / "runs" / "qz-serve-1-dead"
        (leftover / "session-1" / "1").mkdir(parents=True)
        (leftover / "lock").touch()
        HostFolder(self.work / "runs").close()
        self.assertFalse(leftover.exists())
        self.assertTrue(self.host_folder.path.exists(), "a running host's folder stays")

    def test_the_teacher_page_answers_this_machine_or_the_code(self):
        self.serve()
        session = json.loads(self.start()[2])["id"]
        for _ in range(2):
            self.request("POST", f"/api/sessions/{session}/next", b"")
        self.request("POST", f"/api/sessions/{session}/answer", {"number": 2, "place": 2})
        self.assertEqual(self.request("GET", "/enseignant")[0], 200)
        view = json.loads(self.request("GET", "/api/teacher/class")[2])
        self.assertEqual([(pupil["name"], pupil["answered"], pupil["right"])
                          for pupil in view["pupils"]], [("Léa", 1, 1)])

        # Another device: only with the code.
        self.server.is_local_client = lambda address: address == "127.0.0.1"
        for path, headers, status in [("/enseignant", {}, 403),
                                      ("/api/teacher/class", {"X-Teacher-Code": "guess"}, 403),
                                      (f"/enseignant?code={TEACHER_CODE}", {}, 200),
                                      ("/api/teacher/class", {"X-Teacher-Code": TEACHER_CODE},
                                       200)]:
            with self.subTest(path=path, headers=headers):
                self.assertEqual(self.request("GET", path, headers=headers,
                                              source="127.0.0.5")[0], status)
        status, headers, data = self.request(
            "GET", f"/api/teacher/resultats.csv?code={TEACHER_CODE}", source="127.0.0.5")
        rows = list(csv.DictReader(io.StringIO(data.decode("utf-8-sig"))))
        self.assertEqual((status, [row["élève"] for row in rows]), (200, ["Léa"]))
        self.assertIn("attachment", headers["Content-Disposition"])

    def test_a_pupil_name_that_a_spreadsheet_would_run_is_refused(self):
        self.serve()
        for name in ["=HYPERLINK(\"http://x\")", "", "+1", "@A1", "a" * 41]:
            with self.subTest(name):
                status, _, reply = self.start(pupil=name)
                self.assertEqual(status, 400)
                self.assertIn("prénom", json.loads(reply)["error"])


if __name__ == "__main__":
    unittest.main()
