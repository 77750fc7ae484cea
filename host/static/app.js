// The quiz page: choose a module, answer its questions one by one, see the
// result. Every question comes from the host, which runs the module; the
// module plays the sound itself on the machine's sound server.
"use strict";

const $ = (id) => document.getElementById(id);
const answerButtons = [...document.querySelectorAll(".answer")];

let chosenModule = null;
let session = null;   // {id, module, length} from the host
let question = null;  // the question being asked, until the next one
let busy = false;     // a call to the host is under way: clicks wait
let pollTimer = null;

async function call(method, path, body) {
  const response = await fetch(path, {
    method,
    headers: body ? {"Content-Type": "application/json"} : {},
    body: body ? JSON.stringify(body) : undefined,
  });
  const data = await response.json().catch(() => ({}));
  if (!response.ok) {
    throw new Error(data.error || `le serveur a répondu ${response.status}`);
  }
  return data;
}

function show(sectionId) {
  for (const id of ["choice", "quiz", "summary"]) {
    $(id).hidden = id !== sectionId;
  }
}

function showText(id, text) {
  $(id).textContent = text || "";
  $(id).hidden = !text;
}

// Choosing a module.

async function loadModules() {
  try {
    const {groups, max_length: maxLength} = await call("GET", "/api/modules");
    $("length").max = maxLength;
    for (const group of groups) {
      const box = document.createElement("fieldset");
      box.className = "group";
      const legend = document.createElement("legend");
      legend.textContent = group.title;
      box.append(legend);
      for (const module of group.modules) {
        const label = document.createElement("label");
        label.className = "pill";
        label.dataset.module = module.name;
        const input = document.createElement("input");
        input.type = "radio";
        input.name = "module";
        input.value = module.name;
        input.addEventListener("change", () => {
          chosenModule = module.name;
          $("start").disabled = false;
        });
        const text = document.createElement("span");
        text.textContent = module.label;
        label.append(input, text);
        box.append(label);
      }
      $("modules").append(box);
    }
  } catch (error) {
    showText("choice-error", `Impossible de lire la liste des modules : ${error.message}`);
  }
}

async function startSession(module) {
  if (busy) return;
  busy = true;
  showText("choice-error", "");
  try {
    const length = Number($("length").value);
    session = await call("POST", "/api/sessions", {module, length});
    $("quiz-title").textContent = session.module;
    show("quiz");
    busy = false;
    await nextQuestion();
  } catch (error) {
    busy = false;
    show("choice");
    showText("choice-error", error.message);
  }
}

// One question.

async function nextQuestion() {
  if (busy) return;
  busy = true;
  $("next").disabled = true;
  $("next").textContent = "Un instant…";
  try {
    const next = await call("POST", `/api/sessions/${session.id}/next`);
    showQuestion(next);
  } catch (error) {
    showText("quiz-error", error.message);
    $("next").hidden = false;
    $("next").disabled = false;
    $("next").textContent = "Réessayer";
  } finally {
    busy = false;
  }
}

function showQuestion(next) {
  question = next;
  $("progress").textContent = `Question ${next.number} / ${next.length}`;
  $("score").textContent = `Score : ${next.score}`;
  showText("feedback", "");
  showText("quiz-error", next.error ? `Le module a échoué : ${next.error}`
    : next.picture_error && `Image non affichée : ${next.picture_error}`);
  $("question").textContent = next.error ? "Cette question n’a pas pu être posée." : next.question;
  $("figure").hidden = !next.picture;
  if (next.picture) {
    $("picture").src = next.picture;
  } else {
    $("picture").removeAttribute("src");
  }
  $("listen").hidden = !next.sound;
  answerButtons.forEach((button, index) => {
    const text = next.answers ? next.answers[index] : "";
    button.querySelector("span").textContent = text;
    button.hidden = !text;
    button.disabled = false;
    button.className = "answer";
  });
  $("next").hidden = !next.error;
  $("next").disabled = false;
  $("next").textContent = next.number === next.length ? "Voir le résultat" : "Question suivante";
  if (next.error) {
    $("next").focus();
  }
  followModule(next.running, next.remaining);
}

// Shows the countdown while the module lives, and its error if it fails late.
function followModule(running, remaining) {
  clearTimeout(pollTimer);
  $("countdown").hidden = !running;
  if (!running) return;
  $("count").textContent = Math.ceil(remaining);
  const sessionId = session.id;
  pollTimer = setTimeout(async () => {
    try {
      const state = await call("GET", `/api/sessions/${sessionId}/module`);
      if (session.id !== sessionId) return;
      if (state.error && !question.error) {
        showText("quiz-error", `Le module a échoué : ${state.error}`);
      }
      followModule(state.running, state.remaining);
    } catch (error) {
      $("countdown").hidden = true;
    }
  }, 250);
}

async function answer(place) {
  if (busy || !question || question.error || question.chosen) return;
  const button = answerButtons[place - 1];
  if (button.hidden) return;
  busy = true;
  question.chosen = place;
  answerButtons.forEach((other) => { other.disabled = true; });
  try {
    const verdict = await call("POST", `/api/sessions/${session.id}/answer`,
                               {number: question.number, place});
    answerButtons[verdict.right - 1].classList.add("right");
    if (!verdict.correct) button.classList.add("wrong");
    $("feedback").className = verdict.correct ? "good" : "bad";
    showText("feedback", verdict.correct
      ? "Bonne réponse !"
      : `Non : la bonne réponse était « ${verdict.right_answer} ».`);
    $("score").textContent = `Score : ${verdict.score}`;
    $("next").hidden = false;
    $("next").focus();
  } catch (error) {
    question.chosen = null;
    answerButtons.forEach((other) => { other.disabled = false; });
    showText("quiz-error", error.message);
  } finally {
    busy = false;
  }
}

function advance() {
  if (busy) return;
  if (question && question.number === question.length) {
    showSummary();
  } else {
    nextQuestion();
  }
}

// The result.

function duration(seconds) {
  const whole = Math.round(seconds);
  const minutes = Math.floor(whole / 60);
  return minutes ? `${minutes} min ${String(whole % 60).padStart(2, "0")} s` : `${whole} s`;
}

async function showSummary() {
  busy = true;
  try {
    const summary = await call("GET", `/api/sessions/${session.id}/summary`);
    clearTimeout(pollTimer);
    $("summary-module").textContent = summary.module;
    $("final-score").textContent = `${summary.right} / ${summary.answered}`;
    $("final-time").textContent = `en ${duration(summary.seconds)}`;
    $("missed").replaceChildren();
    if (summary.missed.length) {
      const title = document.createElement("h2");
      title.textContent = "À revoir";
      $("missed").append(title);
    }
    for (const missed of summary.missed) {
      const item = document.createElement("div");
      item.className = "missed";
      if (missed.picture) {
        const picture = document.createElement("img");
        picture.src = missed.picture;
        picture.alt = "Image de la question";
        item.append(picture);
      }
      const text = document.createElement("div");
      const line = (className, content) => {
        const paragraph = document.createElement("p");
        paragraph.className = className;
        paragraph.textContent = content;
        text.append(paragraph);
      };
      line("missed-question", `${missed.number}. ${missed.question}`);
      line("missed-chosen", `Votre réponse : ${missed.chosen}`);
      line("missed-right", `Bonne réponse : ${missed.right}`);
      item.append(text);
      $("missed").append(item);
    }
    $("failed").replaceChildren();
    for (const failed of summary.failed) {
      const line = document.createElement("p");
      line.className = "error";
      line.textContent = `Question ${failed.number} non posée : ${failed.error}`;
      $("failed").append(line);
    }
    $("results-file").textContent = `Résultats ajoutés à ${summary.results_file}`;
    show("summary");
    $("again").focus();
  } catch (error) {
    showText("quiz-error", error.message);
  } finally {
    busy = false;
  }
}

// Wiring.

answerButtons.forEach((button) => {
  button.addEventListener("click", () => answer(Number(button.dataset.place)));
});
$("next").addEventListener("click", advance);
$("start").addEventListener("click", () => startSession(chosenModule));
$("again").addEventListener("click", () => startSession(chosenModule));
$("change").addEventListener("click", () => show("choice"));
document.addEventListener("keydown", (event) => {
  if ($("quiz").hidden || event.ctrlKey || event.altKey || event.metaKey) return;
  if (["1", "2", "3", "4"].includes(event.key)) {
    event.preventDefault();
    answer(Number(event.key));
  }
});

loadModules();
