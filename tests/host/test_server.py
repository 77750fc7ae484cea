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
from datetime import date, timedelta
from pathlib import Path

from host.modules import titles_by_file
from host.results import ResultsLog
from host.runner import NativeRunner
from host.server import QuizServer
from host.session import HostFolder, Limits, Sessions
from host.sound import SoundLibrary
from host.state import HostState
from tests.host.test_session import write_stand_in

TEACHER_CODE = "c0de"


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-server-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.bin_dir = self.work / "bin"
        self.bin_dir.mkdir()
        write_stand_in(self.bin_dir / "oeuvres.exe", failing_runs=1, folder_as_answer=False)
        write_stand_in(self.bin_dir / "theorie.exe", lives=30.0, folder_as_answer=False)
        write_stand_in(self.bin_dir / "Treble4.exe", folder_as_answer=False)
        (self.bin_dir / "modules.tsv").write_text(  # as the build writes it beside the modules
            "name\tfile\tkind\tclef\tlevel\tasked\tcarried\tseconds\tsound_at\n"
            "oeuvres\toeuvres.exe\toeuvres\t-\t-\t-\t-\t0\t0\n"
            "theorie\ttheorie.exe\ttheorie\t-\t-\t-\t-\t0\t0\n"
            "treble4\tTreble4.exe\tnotes\ttreble\t4\t-\t-\t0\t0\n")
        self.host_folder = HostFolder(self.work / "runs")
        self.addCleanup(self.host_folder.close)
        self.replies: list[bytes] = []  # every body the server sent
        self.serving: list[QuizServer] = []
        (self.work / "state.json").write_text(json.dumps({"teacher_code": TEACHER_CODE}))
        self.start_host()

    def start_host(self, **server_options):
        """The host on the results file and state kept in the work folder;
        called again, a restart: the sessions are gone, the files stay."""
        results = ResultsLog(self.work / "resultats.csv")
        results.open_or_create(titles_by_file(self.bin_dir))
        self.sessions = Sessions(self.bin_dir, self.work, results, NativeRunner(),
                                 self.host_folder, limits=Limits(sessions=3, sessions_per_client=2,
                                                                 idle_seconds=0.4))
        self.addCleanup(self.sessions.close_all)
        state = HostState(self.work / "state.json")
        self.server = QuizServer("127.0.0.1", 0, self.sessions,
                                 SoundLibrary(self.work, self.bin_dir, self.work / "sounds"),
                                 state, **{"idle_timeout": 0.5, **server_options})
        self.port = self.server.server_address[1]
        self.addCleanup(self.server.server_close)

    def serve(self):
        self.serving.append(self.server)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.addCleanup(self.server.shutdown)

    def restart(self):
        if self.server in self.serving:
            self.server.shutdown()
        self.server.server_close()
        self.sessions.close_all()
        self.start_host()
        self.serve()

    def play(self, module, places, **start):
        """A session whose questions get the answers at `places`; its id."""
        session = json.loads(self.request("POST", "/api/sessions", {
            "module": module, "length": len(places), "pupil": "Léa", **start})[2])["id"]
        for number, place in enumerate(places, 1):
            self.request("POST", f"/api/sessions/{session}/next", b"")
            self.request("POST", f"/api/sessions/{session}/answer",
                         {"number": number, "place": place})
        return session

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

    def test_idle_unfinished_and_trickling_requests_are_closed_after_the_time_limit(self):
        self.serve()
        for sent, trickle in [(b"", 0), (b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n", 0),
                              (b"GET / HTTP/1.1\r\nX: " + b"a" * 100, 0.1)]:
            with self.subTest(sent=sent[:20]), \
                    socket.create_connection(("127.0.0.1", self.port)) as idle:
                started = time.monotonic()
                idle.settimeout(5)
                try:
                    for byte in sent if trickle else [sent]:
                        idle.sendall(bytes([byte]) if trickle else byte)
                        time.sleep(trickle)
                except OSError:
                    pass  # closed while sending: what is tested
                try:
                    reply = b"".join(iter(lambda: idle.recv(4096), b""))
                except ConnectionResetError:  # the trickle went on after the refusal
                    reply = b""
                self.assertNotIn(b" 200 ", reply)
                self.assertLess(time.monotonic() - started, 3)

    def test_one_device_cannot_hold_every_connection(self):
        self.server.idle_timeout = 30.0  # the slow ones stay while the others are asked
        self.serve()
        slow = []
        self.addCleanup(lambda: [connection.close() for connection in slow])
        for _ in range(256):
            connection = socket.create_connection(("127.0.0.1", self.port),
                                                  source_address=("127.0.0.9", 0))
            connection.sendall(b"G")
            slow.append(connection)
        self.assertEqual(self.request("GET", "/api/modules", source="127.0.0.2")[0], 200)

    def test_bodies_that_are_missing_negative_oversized_or_short_are_refused(self):
        self.serve()
        deep = b"[" * 1500 + b"]" * 1500
        cases = [({}, b"{}", 411, "longueur"), ({"Content-Length": "-1"}, b"{}", 400, "longueur"),
                 ({"Content-Length": "x"}, b"{}", 400, "longueur"),
                 ({"Content-Length": "\xb2"}, b"{}", 400, "longueur"),
                 ({"Content-Length": "400000000"}, b"{}", 413, "trop longue"),
                 ({"Content-Length": "20"}, b"{}", 400, "incomplète"),
                 ({"Content-Length": str(len(deep))}, deep, 400, "trop imbriquée"),
                 ({"Content-Length": "9"}, b'{"a": 1e9', 400, "pas du JSON")]
        for headers, body, status, message in cases:
            with self.subTest(headers=headers, body=body[:10]):
                connection = socket.create_connection(("127.0.0.1", self.port))
                head = "".join(f"{key}: {value}\r\n" for key, value in headers.items())
                connection.sendall(f"POST /api/sessions HTTP/1.0\r\nHost: 127.0.0.1:{self.port}"
                                   f"\r\nContent-Type: application/json\r\n{head}\r\n"
                                   .encode("latin-1") + body)
                with connection, connection.makefile("rb") as reply:
                    self.assertIn(f" {status} ".encode(), reply.readline())
                    self.assertIn(message, reply.read().decode())

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
        rows = list(csv.DictReader(io.StringIO(data.decode("utf-8-sig")), delimiter=";"))
        self.assertEqual((status, [row["élève"] for row in rows]), (200, ["Léa"]))
        self.assertIn("attachment", headers["Content-Disposition"])
        # Without the code, a browser is told so in French, on a page.
        status, headers, data = self.request("GET", "/enseignant", source="127.0.0.5")
        self.assertEqual((status, headers["Content-Type"]), (403, "text/html; charset=utf-8"))
        self.assertIn("le code affiché à son démarrage", data.decode())

    def test_a_page_resumes_its_session_and_a_browser_starting_again_closes_the_ones_it_left(self):
        self.serve()
        browser = "f00d" * 8
        # More starts than the address may hold sessions: each closes the one before.
        left = [json.loads(self.start("theorie", browser=browser)[2])["id"] for _ in range(5)]
        for session in left[:-1]:
            status, _, reply = self.request("GET", f"/api/sessions/{session}")
            self.assertEqual((status, json.loads(reply)["gone"]), (404, True))
        current = left[-1]
        resumed = json.loads(self.request("GET", f"/api/sessions/{current}")[2])
        self.assertEqual((resumed["name"], resumed["length"], resumed["question"]),
                         ("theorie", 2, None))
        self.request("POST", f"/api/sessions/{current}/next", b"")
        resumed = json.loads(self.request("GET", f"/api/sessions/{current}")[2])
        self.assertEqual((resumed["question"]["number"], resumed["finished"]), (1, False))
        self.request("POST", f"/api/sessions/{current}/answer", {"number": 1, "place": 2})
        resumed = json.loads(self.request("GET", f"/api/sessions/{current}")[2])
        self.assertEqual((resumed["question"], resumed["score"]), (None, 1))

    def test_a_restart_onto_an_older_results_file_keeps_the_day_the_code_and_the_assignment(self):
        today, yesterday = str(date.today()), str(date.today() - timedelta(days=1))
        old = [["date", "élève", "session", "module", "question", "repère", "réponse choisie",
                "bonne réponse", "juste", "temps (s)"],
               [f"{yesterday} 10:00:00", "Ana", "123456", "Treble4.exe", "Quelle note ?",
                "17_Mi", "Do", "Mi", "non", "2.5"],
               *[[f"{today} 09:0{n}:00", name, "1e5123", "Treble4.exe", "Quelle note ?",
                  note, chosen, "Mi", "oui" if chosen == "Mi" else "non", "3.6"]
                 for n, (name, note, chosen) in enumerate(
                     [("Zoé", "17_Mi", "Fa"), ("Éloïse", "17_Mi", "Ré"),
                      ("Éloïse", "10_Mi", "Mi"), ("Zoé", "03_Mi", "Sol")])]]
        with (self.work / "resultats.csv").open("w", encoding="utf-8-sig", newline="") as file:
            csv.writer(file).writerows(old)
        self.restart()
        self.assertTrue((self.work / "resultats-avant-conversion.csv").exists())
        self.play("oeuvres", [1, 2])  # the first question fails, the second is right
        self.assertEqual(self.request("POST", "/api/teacher/assignment",
                                      {"module": "treble4", "length": 12})[0], 200)
        self.restart()

        view = json.loads(self.request("GET", "/api/teacher/class")[2])
        self.assertEqual((view["day"], view["days"], view["answers"]),
                         (today, [today, yesterday], 5))
        self.assertEqual(sorted(pupil["name"] for pupil in view["pupils"]),
                         ["Léa", "Zoé", "Éloïse"])
        notes = next(module for module in view["modules"] if module["name"] == "treble4")
        self.assertEqual(notes["module"], "Lecture de notes, clé de sol, niveau 4")
        self.assertEqual([(missed["right_answer"], missed["place"], missed["wrong"],
                           missed["asked"]) for missed in notes["missed"]],
                         [("Mi", "4e interligne", 2, 2),
                          ("Mi", "sous la 3e ligne supplémentaire", 1, 1)])
        status, headers, _ = self.request("GET", notes["missed"][0]["picture"])
        self.assertEqual(status, 404)  # the stand-in carries no picture; the route exists
        earlier = json.loads(self.request("GET", f"/api/teacher/class?day={yesterday}")[2])
        self.assertEqual([pupil["name"] for pupil in earlier["pupils"]], ["Ana"])
        modules = json.loads(self.request("GET", "/api/modules")[2])
        self.assertEqual(modules["assignment"], {"name": "treble4", "length": 12,
                                                 "title": notes["module"]})
        self.server.is_local_client = lambda address: False
        self.assertEqual(self.request("GET", "/api/teacher/class",
                                      headers={"X-Teacher-Code": TEACHER_CODE})[0], 200)

        # The download, read as a French spreadsheet reads it.
        data = self.request("GET", f"/api/teacher/resultats.csv?code={TEACHER_CODE}")[2]
        self.assertTrue(data.startswith("\ufeff".encode()))
        rows = list(csv.reader(io.StringIO(data.decode("utf-8-sig")), delimiter=";"))
        self.assertEqual(rows[0][9], "temps (s)")
        self.assertEqual({len(row) for row in rows}, {10})
        for row in rows[1:]:
            self.assertRegex(row[9], r"^\d+,\d$")
            self.assertRaises(ValueError, float, row[2])
            self.assertIn(row[3], ["Lecture de notes, clé de sol, niveau 4",
                                   "Compositeurs et œuvres"])

    def test_a_pupil_name_that_a_spreadsheet_would_run_is_refused(self):
        self.serve()
        for name in ["=HYPERLINK(\"http://x\")", "", "+1", "@A1", "a" * 41]:
            with self.subTest(name):
                status, _, reply = self.start(pupil=name)
                self.assertEqual(status, 400)
                self.assertIn("prénom", json.loads(reply)["error"])


if __name__ == "__main__":
    unittest.main()
