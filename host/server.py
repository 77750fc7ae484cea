"""The web host: the page in static/ and the JSON calls it makes.

    GET  /api/modules                       the modules built, by group
    POST /api/sessions                      {"module", "length"}: a new session
    POST /api/sessions/ID/next              put the next question (waits for
                                            the previous module to end)
    POST /api/sessions/ID/answer            {"number", "place"}: judge it
    GET  /api/sessions/ID/module            the module's countdown and error
    GET  /api/sessions/ID/pictures/N        question N's picture (JPEG)
    GET  /api/sessions/ID/summary           score, time, questions missed

A request the host cannot take is answered with {"error": "..."} and a 4xx
status; a module that fails is no such error: its question carries the
module's error line and the session goes on.
"""

import json
import re
import socket
import sys
import time
import traceback
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

from host.modules import catalogue
from host.session import MAX_LENGTH, Question, Session, SessionError, Sessions

STATIC_DIR = Path(__file__).resolve().parent / "static"
CONTENT_TYPES = {".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8",
                 ".js": "text/javascript; charset=utf-8"}
MAX_BODY = 4096


class BadRequest(ValueError):
    pass


class NotFound(LookupError):
    pass


def question_view(session: Session, question: Question) -> dict:
    view = {"number": question.number, "length": session.length, "score": session.score(),
            "error": question.error}
    if question.record:
        running, remaining, _ = session.module_state()
        view |= {
            "question": question.record["question"],
            "answers": question.answers,
            "picture": picture_url(session, question),
            "picture_error": question.picture_error,
            "sound": question.has_sound,
            "running": running,
            "remaining": remaining,
        }
    return view


def picture_url(session: Session, question: Question) -> str | None:
    if question.picture is None:
        return None
    return f"/api/sessions/{session.id}/pictures/{question.number}"


def summary_view(session: Session) -> dict:
    answered = [question for question in session.questions if question.chosen]
    last = max((question.shown_at + question.seconds for question in answered),
               default=session.started)
    return {
        "module": session.module.title,
        "length": session.length,
        "answered": len(answered),
        "right": session.score(),
        "seconds": round(last - session.started, 1),
        "missed": [{"number": question.number, "question": question.record["question"],
                    "picture": picture_url(session, question),
                    "chosen": question.answers[question.chosen - 1],
                    "right": question.right_answer}
                   for question in answered if not question.correct],
        "failed": [{"number": question.number, "error": question.error}
                   for question in session.questions if question.error],
        "results_file": str(session.results.path),
    }


def whole_number(body: dict, key: str, low: int, high: int) -> int:
    value = body.get(key)
    if isinstance(value, bool) or not isinstance(value, int) or not low <= value <= high:
        raise BadRequest(f"'{key}' must be a whole number from {low} to {high}, not {value!r}")
    return value


class QuizRequestHandler(BaseHTTPRequestHandler):
    server_version = "qz"
    server: "QuizServer"

    ROUTES = [
        ("GET", r"/", "page"),
        ("GET", r"/static/([\w.-]+)", "static_file"),
        ("GET", r"/api/modules", "modules"),
        ("POST", r"/api/sessions", "start_session"),
        ("POST", r"/api/sessions/([\w-]+)/next", "next_question"),
        ("POST", r"/api/sessions/([\w-]+)/answer", "answer"),
        ("GET", r"/api/sessions/([\w-]+)/module", "module_state"),
        ("GET", r"/api/sessions/([\w-]+)/pictures/(\d+)", "picture"),
        ("GET", r"/api/sessions/([\w-]+)/summary", "summary"),
    ]

    def do_GET(self):  # noqa: N802 (the name http.server calls)
        self._route("GET")

    def do_POST(self):  # noqa: N802
        self._route("POST")

    def _route(self, method: str) -> None:
        path = self.path.split("?", 1)[0]
        for route_method, pattern, name in self.ROUTES:
            if match := re.fullmatch(pattern, path):
                if route_method != method:
                    continue
                try:
                    getattr(self, name)(*match.groups())
                except ValueError as error:
                    self._send_json({"error": str(error)}, HTTPStatus.BAD_REQUEST)
                except LookupError as error:
                    self._send_json({"error": error.args[0]}, HTTPStatus.NOT_FOUND)
                except SessionError as error:
                    self._send_json({"error": str(error)}, HTTPStatus.CONFLICT)
                except Exception as error:  # pylint: disable=broad-except
                    traceback.print_exc()
                    self._send_json({"error": f"host error: {error}"},
                                    HTTPStatus.INTERNAL_SERVER_ERROR)
                return
        self._send_json({"error": f"no {method} {path} here"}, HTTPStatus.NOT_FOUND)

    # The page and its assets.
    def page(self) -> None:
        self.static_file("index.html")

    def static_file(self, name: str) -> None:
        file = STATIC_DIR / name
        if file.suffix not in CONTENT_TYPES or not file.is_file():
            raise NotFound(f"no file {name} in the page's assets")
        self._send(file.read_bytes(), CONTENT_TYPES[file.suffix], "no-cache")

    # The JSON calls.
    def modules(self) -> None:
        groups: dict[str, list] = {}
        for module in catalogue(self.server.sessions.bin_dir):
            groups.setdefault(module.group, []).append(
                {"name": module.name, "label": module.label, "title": module.title})
        self._send_json({"groups": [{"title": title, "modules": modules}
                                    for title, modules in groups.items()],
                         "max_length": MAX_LENGTH})

    def start_session(self) -> None:
        body = self._read_json()
        module = body.get("module")
        if not isinstance(module, str) or not module:
            raise BadRequest(f"'module' must name a module, not {module!r}")
        session = self.server.sessions.start(module, whole_number(body, "length", 1, MAX_LENGTH))
        self._send_json({"id": session.id, "module": session.module.title,
                         "length": session.length, "seconds": session.module.seconds},
                        HTTPStatus.CREATED)

    def next_question(self, session_id: str) -> None:
        session = self.server.sessions.get(session_id)
        self._send_json(question_view(session, session.next_question()))

    def answer(self, session_id: str) -> None:
        session = self.server.sessions.get(session_id)
        body = self._read_json()
        question = session.answer(whole_number(body, "number", 1, session.length),
                                  whole_number(body, "place", 1, 4))
        self._send_json({"correct": question.correct, "right": question.right_place,
                         "right_answer": question.right_answer, "score": session.score(),
                         "finished": session.finished})

    def module_state(self, session_id: str) -> None:
        running, remaining, error = self.server.sessions.get(session_id).module_state()
        self._send_json({"running": running, "remaining": remaining, "error": error})

    def picture(self, session_id: str, number: str) -> None:
        session = self.server.sessions.get(session_id)
        index = int(number) - 1
        if not 0 <= index < len(session.questions) or not session.questions[index].picture:
            raise NotFound(f"question {number} has no picture")
        self._send(session.questions[index].picture, "image/jpeg", "private, max-age=3600")

    def summary(self, session_id: str) -> None:
        self._send_json(summary_view(self.server.sessions.get(session_id)))

    # Reading and writing.
    def _read_json(self) -> dict:
        length = int(self.headers.get("Content-Length") or 0)
        if length > MAX_BODY:
            raise BadRequest(f"the request body has {length} bytes, at most {MAX_BODY} taken")
        try:
            body = json.loads(self.rfile.read(length) or b"{}")
        except (UnicodeDecodeError, json.JSONDecodeError) as error:
            raise BadRequest(f"the request body is not JSON: {error}") from error
        if not isinstance(body, dict):
            raise BadRequest("the request body must be a JSON object")
        return body

    def _send_json(self, value: dict, status: HTTPStatus = HTTPStatus.OK) -> None:
        self._send(json.dumps(value, ensure_ascii=False).encode(),
                   "application/json; charset=utf-8", "no-store", status)

    def _send(self, data: bytes, content_type: str, cache: str,
              status: HTTPStatus = HTTPStatus.OK) -> None:
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", cache)
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, format, *args):  # pylint: disable=redefined-builtin
        # Each click is a request: only failed requests are worth a line.
        if len(args) > 1 and str(args[1]).startswith(("4", "5")):
            sys.stderr.write(f"qz: {time.strftime('%H:%M:%S')} {format % args}\n")


class QuizServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address: str, port: int, sessions: Sessions):
        if ":" in address:
            self.address_family = socket.AF_INET6
        self.sessions = sessions
        super().__init__((address, port), QuizRequestHandler)

    @property
    def url(self) -> str:
        address, port = self.server_address[:2]
        if address in ("0.0.0.0", "::"):
            address = socket.gethostname()
        return f"http://[{address}]:{port}/" if ":" in address else f"http://{address}:{port}/"
