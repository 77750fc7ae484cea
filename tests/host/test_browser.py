"""The web host in headless Chromium: sessions played by clicks and by keys,
the page checked against the records the modules wrote in their folders."""

import csv
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

from host.record import EXCHANGE_FILE, parse_record
from host.results import ResultsLog
from tests.e2e.sound import SILENCE, Capture, level_db, sound_server_answers
from tests.e2e.support import BIN_DIR, runs_alone

ROOT = Path(__file__).resolve().parents[2]
TOOLS_DIR = Path(os.environ.get("QZ_TOOLS_DIR", ROOT / "build/release/tools"))
SCREENSHOT_DIR = os.environ.get("QZ_SCREENSHOT_DIR")
# Offline and as root: no sandbox, and none of the browser's own connections.
# Muted: the sound the page plays is measured in the page, and the test's
# own sound server must hear nothing.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--mute-audio",
                  "--window-size=1280,860"]
PUPIL = "Zoé Martin"
# axe-core, as scripts/install-deps installs it, and the rules it holds the
# pages to: WCAG 2.1 A and AA, and its best practices (a level-one heading
# on every screen among them).
AXE_SCRIPT = ROOT / "tests/host/node_modules/axe-core/axe.min.js"
AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "best-practice"]
# A small phone and a laptop, as CSS pixels.
VIEWPORTS = {"phone": (360, 640), "laptop": (1280, 800)}
# The loudest 200 ms of the question's sound as the page decodes it, in dBFS.
PAGE_SOUND_LEVEL = """
const done = arguments[arguments.length - 1];
fetch(document.getElementById("replay").dataset.sound)
  .then((response) => response.arrayBuffer())
  .then((data) => new OfflineAudioContext(2, 44100, 44100).decodeAudioData(data))
  .then((buffer) => {
    const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    const window = Math.round(0.2 * buffer.sampleRate);
    let sum = 0, loudest = 0;
    for (let i = 0; i < buffer.length; i++) {
      const mono = (left[i] + right[i]) / 2;
      sum += mono * mono;
      if (i >= window) { const old = (left[i - window] + right[i - window]) / 2; sum -= old * old; }
      if (i + 1 >= window) loudest = Math.max(loudest, sum / window);
    }
    done(10 * Math.log10(loudest));
  })
  .catch((error) => done(String(error)));
"""
# Every enabled control whose border and fill both stand out from what is
# behind it by less than 3:1, as "what: ratio".
WEAK_CONTROL_BORDERS = """
const rgb = (color) => color.match(/[\\d.]+/g).map(Number);
const luminance = (color) => {
  const [r, g, b] = rgb(color).slice(0, 3).map((value) => {
    const c = value / 255;
    return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
  });
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
};
const ratio = (one, other) => {
  const [high, low] = [luminance(one), luminance(other)].sort((a, b) => b - a);
  return (high + 0.05) / (low + 0.05);
};
const opaque = (color) => (rgb(color)[3] ?? 1) > 0;
const behind = (element) => {
  for (let parent = element.parentElement; parent; parent = parent.parentElement) {
    const color = getComputedStyle(parent).backgroundColor;
    if (opaque(color)) return color;
  }
  return "rgb(255, 255, 255)";
};
return [...document.querySelectorAll("button, input:not([type=radio]), .pill span")]
  .filter((control) => control.getClientRects().length &&
          !(control.disabled || control.closest("label")?.querySelector("input")?.disabled))
  .flatMap((control) => {
    const style = getComputedStyle(control);
    const back = behind(control);
    const border = parseFloat(style.borderTopWidth) ? ratio(style.borderTopColor, back) : 0;
    const fill = opaque(style.backgroundColor) ? ratio(style.backgroundColor, back) : 0;
    return Math.max(border, fill) >= 3 ? []
      : [`${control.textContent.trim() || control.id}: ${border.toFixed(2)}`];
  });
"""
# The sounds the page starts, by performance.now().
RECORD_SOUND_STARTS = """
window.soundStarts = [];
const start = AudioBufferSourceNode.prototype.start;
AudioBufferSourceNode.prototype.start = function (...rest) {
  window.soundStarts.push(performance.now());
  return start.apply(this, rest);
};
"""


def french(text: str) -> str:
    """A module's text as the page shows it: narrow no-break spaces before
    ? ! : ; and typographic apostrophes."""
    return re.sub(r"([^\s?!:;])[ \u00a0]*([?!:;])(?!\d)", "\\1\u202f\\2",
                  text.replace("'", "\u2019"))


@runs_alone
class WebHostInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="qz-web-test-"))
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.results = cls.work / "resultats.csv"
        cls.server = subprocess.Popen(
            [sys.executable, str(ROOT / "qz"), "--bin", str(BIN_DIR), "--tools", str(TOOLS_DIR),
             "serve", "--port", "0", "--results", str(cls.results), "--work-dir", str(cls.work)],
            stdout=subprocess.PIPE, text=True)
        cls.addClassCleanup(cls.server.wait, timeout=20)
        cls.addClassCleanup(cls.server.terminate)
        address = re.search(r"http://\S+", cls.server.stdout.readline())
        if not address:
            raise RuntimeError("qz serve printed no address (see its error above)")
        cls.url = address[0]
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in [*CHROMIUM_FLAGS, f"--user-data-dir={cls.work / 'chromium'}"]:
            options.add_argument(flag)
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.addClassCleanup(cls.browser.quit)

    def start(self, module: str, length: int, url: str | None = None) -> None:
        self.browser.get(url or self.url)
        self.wait_until(lambda: self.browser.find_elements(By.CSS_SELECTOR,
                                                           f"[data-module={module}]"))
        name = self.element("#pupil")
        if name.get_attribute("value") != PUPIL:
            name.clear()
            name.send_keys(PUPIL)
        self.element(f"[data-module={module}]").click()
        length_input = self.element("#length")
        length_input.clear()
        length_input.send_keys(str(length))
        self.element("#start").click()

    def play_question(self, number: int, length: int, literal: str) -> dict:
        """Waits for question `number` and checks it against the module's
        record; returns the record."""
        self.wait_until(lambda: self.element("#progress").text == f"Question {number} / {length}"
                        and self.element("#question").text)
        record = parse_record(self.private_folder(literal).joinpath(EXCHANGE_FILE).read_bytes())
        self.assertEqual(self.element("#question").text, french(record["question"]))
        answers = [record[f"reponse{place}"] for place in range(1, 5)]
        self.assertEqual([button.find_element(By.TAG_NAME, "span").text.strip()
                          for button in self.answer_buttons() if button.is_displayed()],
                         [french(answer).strip() for answer in answers if answer])
        return record

    def judge_and_go_on(self, record: dict, answer_right: bool, by_key: bool) -> None:
        right = int(record["bonne_reponse"])
        place = right if answer_right else right % 3 + 1
        if by_key:
            ActionChains(self.browser).send_keys(str(place)).perform()
        else:
            self.answer_buttons()[place - 1].click()
        self.wait_until(lambda: self.element("#feedback").is_displayed())
        expected = ("Bonne réponse\u202f!" if answer_right else
                    "Non\u202f: la bonne réponse était "
                    f"«\u00a0{french(record[f'reponse{right}'])}\u00a0».")
        self.assertEqual(self.text_of("#feedback"), expected)
        self.assertIn("right", self.answer_buttons()[right - 1].get_attribute("class"))
        if by_key:
            ActionChains(self.browser).send_keys(Keys.ENTER).perform()
        else:
            self.element("#next").click()

    def test_plays_a_session_by_clicks_and_scores_it_as_the_records_say(self):
        self.start("oeuvres", 3)
        records = []
        for number, answer_right in [(1, True), (2, False), (3, True)]:
            records.append(self.play_question(number, 3, "oeuvres.exe"))
            self.assertFalse(self.element("#figure").is_displayed())
            self.judge_and_go_on(records[-1], answer_right, by_key=False)
        self.wait_until(lambda: self.element("#summary").is_displayed())
        self.screenshot("summary")
        self.assertEqual(self.element("#final-score").text, "2 / 3")
        missed = self.browser.find_elements(By.CSS_SELECTOR, ".missed")
        self.assertEqual(len(missed), 1)
        right = french(records[1][f"reponse{records[1]['bonne_reponse']}"]).strip()
        self.assertIn(french(records[1]["question"]), missed[0].text)
        self.assertIn(f"Bonne réponse\u202f: {right}", self.text_of(".missed-right"))

        with self.results.open(encoding="utf-8-sig", newline="") as file:
            rows = [row for row in csv.DictReader(file, delimiter=";")
                    if row["module"] == "Compositeurs et œuvres"]
        self.assertEqual([row["question"] for row in rows],
                         [record["question"] for record in records])
        self.assertEqual([(row["élève"], row["juste"]) for row in rows],
                         [(PUPIL, "oui"), (PUPIL, "non"), (PUPIL, "oui")])

        # The teacher's page shows the class, and the browser kept the name.
        self.browser.get(self.url + "enseignant")
        self.wait_until(lambda: PUPIL in self.element("#pupils").text)
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#chart rect")), 2)
        self.browser.get(self.url)
        self.wait_until(lambda: self.element("#pupil").get_attribute("value") == PUPIL)

    def test_shows_the_staff_picture_and_takes_answers_by_key(self):
        self.start("treble2", 2)
        record = self.play_question(1, 2, "Treble2.exe")
        self.wait_until(lambda: self.browser.execute_script(
            "const picture = document.getElementById('picture');"
            "return picture.complete && picture.naturalWidth > 0;"))
        self.assertEqual(self.browser.execute_script(
            "const picture = document.getElementById('picture');"
            "return [picture.naturalWidth, picture.naturalHeight];"), [146, 200])
        self.assertTrue(self.element("#countdown").is_displayed())
        self.assert_whole_scale("#picture")
        self.screenshot("question")
        self.judge_and_go_on(record, answer_right=True, by_key=True)
        # The next question comes at once, the first module still counting down.
        asked = time.monotonic()
        record = self.play_question(2, 2, "Treble2.exe")
        self.assertLess(time.monotonic() - asked, 2.5)
        self.judge_and_go_on(record, answer_right=False, by_key=True)
        self.wait_until(lambda: self.element("#summary").is_displayed())
        self.assertEqual(self.element("#final-score").text, "1 / 2")
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, ".missed img")), 1)

    def test_the_pupil_hears_the_question_at_the_third_second_as_loud_as_the_module(self):
        # Only this test's module may sound: the modules of the tests before
        # have ended (they live 5 s).
        self.wait_until(lambda: not any(
            str(self.work) in command and ".exe" in command
            for command in (path.read_text(errors="replace")
                            for path in Path("/proc").glob("[0-9]*/cmdline")
                            if path.parent.exists())), timeout=10, poll=0.1)
        self.start("treble2", 1)
        self.wait_until(lambda: self.element("#progress").text == "Question 1 / 1")
        shown = time.monotonic()
        # The modules play into the host's private server, whose sink is
        # suspended until someone listens; this machine's own (the test
        # run's) hears nothing.
        private_server = f"unix:{next(self.work.glob('qz-serve-*/sound/sound-1/native'))}"
        subprocess.run(["pactl", "suspend-sink", "qz", "0"], check=True,
                       env={**os.environ, "PULSE_SERVER": private_server})
        module_sound = Capture(self.work / "module.raw", private_server)
        speakers = Capture(self.work / "speakers.raw") if sound_server_answers() else None
        self.wait_until(lambda: self.element("#replay").get_attribute("data-state") == "playing",
                        poll=0.02)
        played = time.monotonic()
        self.assertAlmostEqual(played - shown, 3.0, delta=0.7)
        self.wait_until(lambda: not self.element("#countdown").is_displayed())
        module_sound.stop()
        onset = module_sound.onset_index()
        self.assertAlmostEqual(module_sound.time_of_sample(onset), played, delta=0.5)
        self.assertLess(abs(self.browser.execute_async_script(PAGE_SOUND_LEVEL)
                            - level_db(module_sound.samples[onset:])), 1.0)
        if speakers:
            self.assertLess(abs(speakers.stop().samples).max(initial=0), SILENCE)
        self.wait_until(lambda: self.element("#replay").get_attribute("data-state") == "played")
        self.element("#replay").click()
        self.assertEqual(self.element("#replay").get_attribute("data-state"), "playing")

    def test_on_a_phone_every_group_shows_and_the_page_spaces_its_french(self):
        self.browser.set_window_size(390, 844)
        self.addCleanup(self.browser.set_window_size, 1280, 860)
        self.browser.get(self.url)
        self.wait_until(lambda: self.browser.find_elements(By.CSS_SELECTOR, ".group"))
        for group in self.browser.find_elements(By.CSS_SELECTOR, ".group"):
            self.browser.execute_script("arguments[0].scrollIntoView({block: 'end'});", group)
            self.assertTrue(self.browser.execute_script(
                "const box = arguments[0].getBoundingClientRect();"
                "const seen = document.elementFromPoint(box.left + 5, box.bottom - 5);"
                "return arguments[0].contains(seen);", group), group.text)
        page_text = self.browser.execute_script("return document.body.textContent;")
        self.assertNotRegex(page_text, r"[ \u00a0][:?!]|« | »")
        self.start("treble3", 1)
        self.wait_until(lambda: self.element("#progress").text == "Question 1 / 1")
        self.wait_until(lambda: self.browser.execute_script(
            "return document.getElementById('picture').complete;"))
        self.assert_whole_scale("#picture")

    def test_each_screen_fits_the_phone_and_the_laptop_and_passes_the_checks(self):
        for viewport, size in VIEWPORTS.items():
            with self.subTest(viewport):
                self.use_viewport(*size)
                self.open_start_page()
                self.wait_until(lambda: self.browser.find_elements(By.CSS_SELECTOR, ".pill"))
                self.element("[data-module=treble2] span").click()
                self.assert_in_view("#start")
                self.assert_accessible("start page")
                self.start("treble2", 2)
                self.browser.execute_script(RECORD_SOUND_STARTS)

                record = self.play_question(1, 2, "Treble2.exe")
                for selector in ["#question", *[f".answer[data-place='{place}']"
                                                for place in range(1, 5)]]:
                    self.assert_in_view(selector)
                self.assertEqual(self.element("#picture").get_attribute("alt"),
                                 "Portée en clé de sol")
                self.assertEqual(self.text_of("#announce"),
                                 f"Question 1 sur 2\u202f: {french(record['question'])}")
                self.assertEqual(self.element("#announce").get_attribute("aria-live"), "polite")
                self.assert_accessible("question")
                self.judge_and_go_on(record, answer_right=False, by_key=False)

                # The last answer comes before the sound is due: on the
                # results screen it stays unheard.
                record = self.play_question(2, 2, "Treble2.exe")
                self.judge_and_go_on(record, answer_right=False, by_key=True)
                moved_on = self.browser.execute_script("return performance.now();")
                self.wait_until(lambda: self.element("#summary").is_displayed())
                self.assertEqual(self.element("#final-score").text, "0 / 2")
                self.assertEqual(self.browser.execute_script("return window.scrollY;"), 0)
                self.assert_in_view("#final-score")
                self.assertEqual(self.browser.switch_to.active_element.get_attribute("id"),
                                 "again")
                self.assertEqual({picture.get_attribute("alt") for picture in
                                  self.browser.find_elements(By.CSS_SELECTOR, ".missed img")},
                                 {"Portée en clé de sol"})
                self.screenshot(f"summary-{viewport}")
                self.assert_accessible("results")
                time.sleep(3.5)
                self.assertEqual([start for start in self.browser.execute_script(
                    "return window.soundStarts;") if start > moved_on], [])

                self.browser.get(self.url + "enseignant")
                self.wait_until(lambda: PUPIL in self.element("#pupils").text)
                self.assert_accessible("teacher's page")

    def test_pictures_say_what_they_show_and_only_a_sound_is_counted_down(self):
        # Instruments questions come with a picture (two in five), a sound or
        # neither: up to twenty, until one with a picture.
        for module, literal, alt, length in [
                ("bass2", "Bass2.exe", "Portée en clé de fa", 1),
                ("portraits", "portraits.exe", "Portrait d’un compositeur", 1),
                ("instruments", "instruments.exe", "Instrument", 20)]:
            with self.subTest(module):
                self.start(module, length)
                for number in range(1, length + 1):
                    record = self.play_question(number, length, literal)
                    self.assertEqual(self.element("#countdown").is_displayed(),
                                     self.element("#listen").is_displayed())
                    if self.element("#figure").is_displayed():
                        break
                    self.judge_and_go_on(record, answer_right=True, by_key=True)
                self.assertEqual(self.element("#picture").get_attribute("alt"), alt)
                if module == "portraits":
                    self.assertEqual(self.text_of("#question"), "Ce portrait est celui de\u202f:")
                # A session ended frees its place among the device's few.
                self.judge_and_go_on(record, answer_right=True, by_key=True)

    def test_bad_requests_are_refused_naming_what_was_wrong(self):
        cases = [({"module": "nope", "length": 3, "pupil": PUPIL}, 404,
                  "Il n’y a pas de module «\u00a0nope\u00a0»."),
                 ({"module": "oeuvres", "length": 0, "pupil": PUPIL}, 400,
                  "Le nombre de questions doit être un nombre entier de 1 à 50.")]
        for body, status, message in cases:
            request = urllib.request.Request(self.url + "api/sessions",
                                             data=json.dumps(body).encode(), method="POST",
                                             headers={"Content-Type": "application/json"})
            with self.subTest(body), self.assertRaises(urllib.error.HTTPError) as refused:
                urllib.request.urlopen(request, timeout=10)
            self.assertEqual(refused.exception.code, status)
            self.assertIn(message, json.load(refused.exception)["error"])

    def test_a_reload_resumes_the_session_and_starting_again_never_locks_the_device_out(self):
        self.start("oeuvres", 3)
        self.wait_until(lambda: self.element("#progress").text == "Question 1 / 3")
        asked = self.element("#question").text
        for _ in range(5):
            self.browser.refresh()
            self.wait_until(lambda: self.element("#progress").text == "Question 1 / 3"
                            and self.element("#question").text == asked)
        self.assertEqual(self.element("#quiz-title").text, "Compositeurs et œuvres")
        # A new tab each time: a new session, the browser's earlier ones closed.
        live = self.teacher_view()["live_sessions"]
        for _ in range(5):
            self.browser.execute_script("sessionStorage.clear();")
            self.start("oeuvres", 2)
            self.wait_until(lambda: self.element("#progress").text == "Question 1 / 2")
        self.assertLessEqual(self.teacher_view()["live_sessions"], live)

    def test_a_restart_under_the_pupils_feet_leads_back_to_a_question_by_one_button(self):
        work = Path(tempfile.mkdtemp(dir=self.work))
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        host = self.other_host(work, port)
        url = f"http://127.0.0.1:{port}/"
        self.addCleanup(self.browser.get, self.url)
        self.start("oeuvres", 3, url)
        self.wait_until(lambda: self.element("#progress").text == "Question 1 / 3")
        for stop in [signal.SIGTERM, signal.SIGHUP]:
            with self.subTest(stop=stop):
                host.send_signal(stop)
                self.assertEqual(host.wait(timeout=20), 0)
                self.assertEqual(list(work.glob("qz-serve-*")), [], "its folder is removed")
                host = self.other_host(work, port)
                if stop == signal.SIGTERM:  # the pupil answers: the host has no such session
                    next(button for button in self.answer_buttons()
                         if button.is_displayed()).click()
                else:  # or reloads
                    self.browser.refresh()
                self.wait_until(lambda: self.element("#next").is_displayed())
                self.assertIn("Cette session n’existe plus", self.element("#quiz-error").text)
                self.assertEqual([button.text for button in
                                  self.browser.find_elements(By.CSS_SELECTOR, "button")
                                  if button.is_displayed()], ["Recommencer une session"])
                self.element("#next").click()
                self.wait_until(lambda: self.element("#progress").text == "Question 1 / 3")
                self.assertEqual(self.element("#quiz-title").text, "Compositeurs et œuvres")
        host.terminate()
        host.wait(timeout=20)

    def test_the_teacher_page_shows_the_day_in_french_order_and_the_notes_missed_most(self):
        log = ResultsLog(self.results)
        for pupil in ["Zoé Aubert", "Éloïse Martin", "Adam Roux"]:
            log.append(pupil, "k2m3p4", "Lecture de notes, clé de sol, niveau 3", "Quelle note ?",
                       "17_Mi", "Fa", "Mi", False, 2.5)
        self.browser.get(self.url + "enseignant")
        self.wait_until(lambda: "Adam Roux" in self.element("#pupils").text)
        names = [row.find_element(By.TAG_NAME, "td").text
                 for row in self.browser.find_elements(By.CSS_SELECTOR, "#pupils tbody tr")]
        self.assertEqual([name for name in names if name in ("Adam Roux", "Éloïse Martin",
                                                              "Zoé Aubert")],
                         ["Adam Roux", "Éloïse Martin", "Zoé Aubert"])
        missed = self.element("#missed-most")
        self.assertIn("Mi, 4e interligne", missed.text)
        self.assertIn("manquée 3\u00a0fois sur 3", self.text_of("#missed-most"))
        self.assertRegex(self.text_of("#class-lead"),
                         r"\d+\u00a0élèves, \d+\u00a0sessions? en cours")
        self.wait_until(lambda: self.browser.execute_script(
            "return [...document.querySelectorAll('#missed-most img, #join-code')]"
            ".every((image) => image.complete && image.naturalWidth > 0);"))
        self.screenshot("teacher")
        # The assignment the teacher sets is the pupils' first offer.
        Select(self.element("#assign-module")).select_by_value("oeuvres")
        self.element("#assign-length").clear()
        self.element("#assign-length").send_keys("2")
        self.element("#assign-set").click()
        self.wait_until(lambda: "Compositeurs et œuvres, 2\u00a0questions"
                        in self.text_of("#assign-now"))
        self.addCleanup(lambda: self.browser.get(self.url + "enseignant") or self.wait_until(
            lambda: self.element("#assign-clear").is_enabled()) or
            self.element("#assign-clear").click())
        self.browser.get(self.url)
        self.wait_until(lambda: self.element("#assignment").is_displayed())
        self.assertEqual(self.element("#assignment-text").text,
                         "Compositeurs et œuvres, 2 questions")
        self.element("#pupil").clear()
        self.element("#pupil").send_keys(PUPIL)
        self.element("#assignment-start").click()
        self.wait_until(lambda: self.element("#progress").text == "Question 1 / 2")

    # Helpers.
    def other_host(self, work: Path, port: int) -> subprocess.Popen:
        """A host of this test's own, on `port`, keeping its results in `work`."""
        host = subprocess.Popen(
            [sys.executable, str(ROOT / "qz"), "--bin", str(BIN_DIR), "--tools", str(TOOLS_DIR),
             "serve", "--port", str(port), "--results", str(work / "resultats.csv"),
             "--work-dir", str(work)], stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: host.poll() is not None or (host.kill(), host.wait()))
        self.assertIn(f":{port}/", host.stdout.readline())
        return host

    def teacher_view(self) -> dict:
        with urllib.request.urlopen(self.url + "api/teacher/class", timeout=10) as reply:
            return json.load(reply)

    def element(self, selector: str):
        return self.browser.find_element(By.CSS_SELECTOR, selector)

    def answer_buttons(self):
        return self.browser.find_elements(By.CSS_SELECTOR, ".answer")

    def wait_until(self, condition, timeout=20, poll=0.5):
        WebDriverWait(self.browser, timeout, poll).until(lambda _: condition())

    def text_of(self, selector: str) -> str:
        """The element's text as the page wrote it, its no-break spaces kept."""
        return self.browser.execute_script(
            "return document.querySelector(arguments[0]).textContent;", selector)

    def assert_whole_scale(self, selector: str) -> None:
        """The picture is drawn with a whole number of screen pixels for each of its own."""
        drawn, natural = self.browser.execute_script(
            "const picture = document.querySelector(arguments[0]);"
            "return [picture.getBoundingClientRect().height * window.devicePixelRatio,"
            " picture.naturalHeight];", selector)
        self.assertAlmostEqual(drawn / natural, round(drawn / natural), delta=0.01)

    def private_folder(self, literal: str) -> Path:
        """The run folder of the module's latest question."""
        records = list(self.work.glob(f"qz-serve-*/session-*/*/{EXCHANGE_FILE}"))
        records = [record for record in records if (record.parent / literal).exists()]
        self.assertTrue(records)
        return max(records, key=lambda record: record.stat().st_mtime_ns).parent

    def screenshot(self, name: str) -> None:
        if SCREENSHOT_DIR:
            Path(SCREENSHOT_DIR).mkdir(parents=True, exist_ok=True)
            self.browser.save_screenshot(str(Path(SCREENSHOT_DIR) / f"{name}.png"))

    def open_start_page(self) -> None:
        """The start page as a new tab opens it, with nothing of this tab's
        earlier sessions."""
        self.browser.get(self.url)
        self.browser.execute_script("sessionStorage.clear();")
        self.browser.get(self.url)

    def use_viewport(self, width: int, height: int) -> None:
        """The page's size in CSS pixels, a phone's (touch, its own viewport) when narrow."""
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 700})
        self.addCleanup(self.browser.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})

    def assert_in_view(self, selector: str) -> None:
        """The element is wholly on screen as the page stands, not scrolled to."""
        box, height, seen = self.browser.execute_script(
            "const element = document.querySelector(arguments[0]);"
            "const box = element.getBoundingClientRect();"
            "const seen = document.elementFromPoint(box.left + box.width / 2,"
            "                                       box.top + box.height / 2);"
            "return [box, window.innerHeight, element.contains(seen)];", selector)
        self.assertTrue(0 <= box["top"] and box["bottom"] <= height and seen,
                        f"{selector} at {box['top']:.0f}-{box['bottom']:.0f} of {height}")

    def assert_accessible(self, where: str) -> None:
        """axe-core finds no WCAG 2.1 A or AA fault in the page as it stands,
        and every control stands out by 3:1 (which axe does not check)."""
        if not AXE_SCRIPT.exists():
            self.fail(f"{AXE_SCRIPT} is missing: scripts/install-deps installs it")
        if not self.browser.execute_script("return typeof axe !== 'undefined';"):
            self.browser.execute_script(AXE_SCRIPT.read_text(encoding="utf-8"))
        violations = self.browser.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "axe.run(document, {runOnly: {type: 'tag', values: arguments[0]}})"
            "  .then((result) => done(result.violations.map((violation) =>"
            "    `${violation.id} (${violation.impact}): `"
            "    + violation.nodes.map((node) => node.target.join(' ')).join(', '))))"
            "  .catch((error) => done([String(error)]));", AXE_TAGS)
        self.assertEqual(violations, [], where)
        self.assertEqual(self.browser.execute_script(WEAK_CONTROL_BORDERS), [], where)


if __name__ == "__main__":
    unittest.main()
