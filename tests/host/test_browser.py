"""The web host in headless Chromium: sessions played by clicks and by keys,
the page checked against the records the modules wrote in their folders."""

import csv
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from host.record import EXCHANGE_FILE, parse_record
from tests.e2e.support import BIN_DIR

ROOT = Path(__file__).resolve().parents[2]
TOOLS_DIR = Path(os.environ.get("QZ_TOOLS_DIR", ROOT / "build/release/tools"))
SCREENSHOT_DIR = os.environ.get("QZ_SCREENSHOT_DIR")
# Offline and as root: no sandbox, and none of the browser's own connections.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--window-size=1280,860"]


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

    def start(self, module: str, length: int) -> None:
        self.browser.get(self.url)
        self.wait_until(lambda: self.browser.find_elements(By.CSS_SELECTOR,
                                                           f"[data-module={module}]"))
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
        self.assertEqual(self.element("#question").text, record["question"])
        answers = [record[f"reponse{place}"] for place in range(1, 5)]
        self.assertEqual([button.find_element(By.TAG_NAME, "span").text
                          for button in self.answer_buttons() if button.is_displayed()],
                         [answer.strip() for answer in answers if answer])
        return record

    def judge_and_go_on(self, record: dict, answer_right: bool, by_key: bool) -> None:
        right = int(record["bonne_reponse"])
        place = right if answer_right else right % 3 + 1
        if by_key:
            ActionChains(self.browser).send_keys(str(place)).perform()
        else:
            self.answer_buttons()[place - 1].click()
        self.wait_until(lambda: self.element("#feedback").is_displayed())
        expected = ("Bonne réponse !" if answer_right else
                    f"Non : la bonne réponse était « {record[f'reponse{right}'].strip()} ».")
        self.assertEqual(self.element("#feedback").text, expected)
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
        right = records[1][f"reponse{records[1]['bonne_reponse']}"].strip()
        self.assertIn(records[1]["question"], missed[0].text)
        self.assertIn(f"Bonne réponse : {right}", missed[0].text)

        with self.results.open(encoding="utf-8-sig", newline="") as file:
            rows = [row for row in csv.DictReader(file) if row["module"] == "oeuvres.exe"]
        self.assertEqual([row["question"] for row in rows],
                         [record["question"] for record in records])
        self.assertEqual([row["réponse choisie"] == row["bonne réponse"] for row in rows],
                         [True, False, True])

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
        self.screenshot("question")
        self.judge_and_go_on(record, answer_right=True, by_key=True)
        # The second module starts once the first ended, about 5 s after it.
        record = self.play_question(2, 2, "Treble2.exe")
        self.judge_and_go_on(record, answer_right=False, by_key=True)
        self.wait_until(lambda: self.element("#summary").is_displayed())
        self.assertEqual(self.element("#final-score").text, "1 / 2")
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, ".missed img")), 1)

    def test_bad_requests_are_refused_naming_what_was_wrong(self):
        cases = [({"module": "nope", "length": 3}, 404, "no module 'nope'"),
                 ({"module": "oeuvres", "length": 0}, 400,
                  "'length' must be a whole number from 1 to 50, not 0")]
        for body, status, message in cases:
            request = urllib.request.Request(self.url + "api/sessions",
                                             data=json.dumps(body).encode(), method="POST")
            with self.subTest(body), self.assertRaises(urllib.error.HTTPError) as refused:
                urllib.request.urlopen(request, timeout=10)
            self.assertEqual(refused.exception.code, status)
            self.assertIn(message, json.load(refused.exception)["error"])

    # Helpers.
    def element(self, selector: str):
        return self.browser.find_element(By.CSS_SELECTOR, selector)

    def answer_buttons(self):
        return self.browser.find_elements(By.CSS_SELECTOR, ".answer")

    def wait_until(self, condition, timeout=20):
        WebDriverWait(self.browser, timeout).until(lambda _: condition())

    def private_folder(self, literal: str) -> Path:
        folders = [module.parent for module in self.work.glob(f"qz-session-*/{literal}")]
        self.assertEqual(len(folders), 1, folders)
        return folders[0]

    def screenshot(self, name: str) -> None:
        if SCREENSHOT_DIR:
            Path(SCREENSHOT_DIR).mkdir(parents=True, exist_ok=True)
            self.browser.save_screenshot(str(Path(SCREENSHOT_DIR) / f"{name}.png"))


if __name__ == "__main__":
    unittest.main()
