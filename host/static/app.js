// The quiz page: write a name, choose a module, answer its questions one by
// one, see the result. Every question comes from the host, which runs the
// module; the question's sound plays here, on the pupil's device, when the
// module plays it (its third second), and again on request.
"use strict";

const $ = (id) => document.getElementById(id);
const answerButtons = [...document.querySelectorAll(".answer")];
const NAME_KEY = "qz-pupil";
// The session this tab plays, kept so that a reload resumes it; and the
// browser's own random id, sent with each start so that the host closes the
// sessions this browser left behind.
const SESSION_KEY = "qz-session";
const BROWSER_KEY = "qz-browser";
// French spacing in the page's own text: narrow no-break space before
// « : ? ! », no-break spaces inside « ».
const NNBSP = "\u202f";
const quoted = (text) => `«\u00a0${text}\u00a0»`;

// The modules' own texts in French typography, on the page only (the
// records keep their bytes): a narrow no-break space before « ? ! : ; »,
// in place of the blanks there, none inside « ?! » or before a digit
// (« 10:30 »), and typographic apostrophes.
function french(text) {
  return text.replace(/'/g, "’")
    .replace(/([^\s?!:;])[ \u00a0]*([?!:;])(?!\d)/g, `$1${NNBSP}$2`);
}

// What each kind of module's picture shows, by the module's name, for the
// pictures' alternative text.
const PICTURE_KINDS = [[/^treble/, "Portée en clé de sol"], [/^bass/, "Portée en clé de fa"],
                       [/^portraits/, "Portrait d’un compositeur"], [/^instruments/, "Instrument"]];
const pictureAlts = {};  // by module name and by title
const pictureAlt = () =>
  pictureAlts[session && session.module] || pictureAlts[chosenModule] || "Image de la question";

let chosenModule = null;
let session = null;   // {id, module, length} from the host
let question = null;  // the question being asked, until the next one
let busy = false;     // a call to the host is under way: clicks wait
let pollTimer = null;
let lost = null;      // {name, length, pupil} of a session the host no longer has

function browserId() {
  let id = localStorage.getItem(BROWSER_KEY);
  if (!id || !/^[0-9a-f]{32}$/.test(id)) {
    id = [...crypto.getRandomValues(new Uint8Array(16))]
      .map((byte) => byte.toString(16).padStart(2, "0")).join("");
    localStorage.setItem(BROWSER_KEY, id);
  }
  return id;
}

// Every post is JSON, the only kind the host takes.
async function call(method, path, body) {
  const post = method === "POST";
  let response;
  try {
    response = await fetch(path, {
      method,
      headers: post ? {"Content-Type": "application/json"} : {},
      body: post ? JSON.stringify(body || {}) : undefined,
    });
  } catch (error) {
    throw new Error(`Le serveur du quiz ne répond pas${NNBSP}: vérifiez le réseau, puis réessayez.`);
  }
  const data = await response.json().catch(() => ({}));
  if (!response.ok) {
    const refusal = new Error(data.error || `Le serveur a refusé la demande (erreur ${response.status}).`);
    refusal.gone = Boolean(data.gone);  // the session no longer exists
    throw refusal;
  }
  return data;
}

function show(sectionId) {
  for (const id of ["choice", "quiz", "summary"]) {
    $(id).hidden = id !== sectionId;
  }
  if (sectionId !== "quiz") forgetQuestionSound();
}

function showText(id, text) {
  $(id).textContent = text || "";
  $(id).hidden = !text;
}

// Pictures: the staff pictures are 146 x 200 pixels with one-pixel lines;
// enlarged by a whole factor of the screen's own pixels, every line keeps
// the same thickness.
function fitPicture(picture, maxCssHeight) {
  const ratio = window.devicePixelRatio || 1;
  const byHeight = Math.floor(maxCssHeight * ratio / 200);
  const byWidth = Math.floor((window.innerWidth - 32) * ratio / 146);
  const factor = Math.max(1, Math.min(byHeight, byWidth));
  picture.style.width = `${146 * factor / ratio}px`;
  picture.style.height = `${200 * factor / ratio}px`;
}

function fitQuestionPicture() {
  const phone = window.innerWidth <= 700;
  fitPicture($("picture"), Math.min(window.innerHeight * (phone ? 0.33 : 0.62), phone ? 300 : 400));
}

// Sound: one audio context, allowed to play by the pupil's first click.
let audioContext = null;
let playing = null;  // the source node now sounding
let soundTimer = null;  // the question's sound, due at its third second

function unlockAudio() {
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) return;
  audioContext = audioContext || new Context();
  if (audioContext.state === "suspended") audioContext.resume();
}

function stopSound() {
  if (playing) {
    playing.onended = null;
    try { playing.stop(); } catch (error) { /* already ended */ }
    playing = null;
  }
}

function playBuffer(buffer, button) {
  stopSound();
  const source = audioContext.createBufferSource();
  source.buffer = buffer;
  source.connect(audioContext.destination);
  source.onended = () => {
    if (playing === source) playing = null;
    button.dataset.state = "played";
  };
  playing = source;
  button.dataset.state = "playing";
  source.start();
}

// Loads a question's sound for `button` (which replays it); with `delay`,
// plays it that many seconds after `since` (performance.now()).
async function prepareSound(url, button, delay, since) {
  button.disabled = true;
  button.dataset.state = "loading";
  button.dataset.sound = url;
  try {
    if (!audioContext) throw new Error("no audio");
    const data = await (await fetch(url)).arrayBuffer();
    const buffer = await audioContext.decodeAudioData(data);
    if (button.dataset.sound !== url) return;  // the page moved on
    button.disabled = false;
    button.dataset.state = "ready";
    button.onclick = () => { unlockAudio(); playBuffer(buffer, button); };
    if (delay !== undefined) {
      const wait = Math.max(0, since + delay * 1000 - performance.now());
      clearTimeout(soundTimer);
      soundTimer = setTimeout(() => {
        if (button.dataset.sound === url && button.dataset.state === "ready") {
          playBuffer(buffer, button);
        }
      }, wait);
    }
  } catch (error) {
    if (button.dataset.sound !== url) return;
    button.dataset.state = "failed";
    button.textContent = "Son indisponible";
  }
}

// A pupil who moved on from the question (to the result, or away) does
// not hear its sound when it falls due.
function forgetQuestionSound() {
  clearTimeout(soundTimer);
  stopSound();
  delete $("replay").dataset.sound;
  delete $("replay").dataset.state;
}

// Choosing a module.

async function loadModules() {
  $("pupil").value = localStorage.getItem(NAME_KEY) || "";
  try {
    const {groups, max_length: maxLength, assignment} = await call("GET", "/api/modules");
    $("length").max = maxLength;
    // The teacher's assignment comes first.
    $("assignment").hidden = !assignment;
    if (assignment) {
      const questions = assignment.length > 1 ? "questions" : "question";
      $("assignment-text").textContent = `${assignment.title}, ${assignment.length} ${questions}`;
      $("assignment-start").onclick = () => startSession(assignment.name, assignment.length);
    }
    for (const group of groups) {
      const box = document.createElement("fieldset");
      box.className = "group";
      const legend = document.createElement("legend");
      legend.textContent = group.title;
      box.append(legend);
      for (const module of group.modules) {
        const kind = PICTURE_KINDS.find(([pattern]) => pattern.test(module.name));
        if (kind) pictureAlts[module.name] = pictureAlts[module.title] = kind[1];
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
          $("choice").classList.add("picked");
          label.scrollIntoView({block: "nearest"});
        });
        const text = document.createElement("span");
        text.textContent = module.label;
        label.append(input, text);
        box.append(label);
      }
      $("modules").append(box);
    }
  } catch (error) {
    showText("choice-error", `Impossible de lire la liste des quiz${NNBSP}: ${error.message}`);
  }
}

async function startSession(module, length = Number($("length").value),
                            pupil = $("pupil").value.trim()) {
  if (busy) return;
  unlockAudio();
  const maxLength = Number($("length").max) || 50;
  if (!pupil) {
    show("choice");
    showText("choice-error", "Écrivez d’abord votre prénom.");
    $("pupil").focus();
    return;
  }
  if (!Number.isInteger(length) || length < 1 || length > maxLength) {
    show("choice");
    showText("choice-error", `Choisissez de 1 à ${maxLength} questions.`);
    return;
  }
  busy = true;
  showText("choice-error", "");
  try {
    const previous = session && session.id;
    session = await call("POST", "/api/sessions",
                         {module, length, pupil, previous, browser: browserId()});
    session.name = module;
    session.pupil = pupil;
    lost = null;
    localStorage.setItem(NAME_KEY, pupil);
    sessionStorage.setItem(SESSION_KEY, JSON.stringify(
      {id: session.id, name: module, module: session.module, length, pupil}));
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
    showQuestion(next, performance.now());
  } catch (error) {
    if (error.gone) { busy = false; sessionGone(error.message); return; }
    showText("quiz-error", error.message);
    $("next").hidden = false;
    $("next").disabled = false;
    $("next").textContent = "Réessayer";
  } finally {
    busy = false;
  }
}

function showQuestion(next, receivedAt) {
  question = next;
  stopSound();
  window.scrollTo(0, 0);
  $("progress").textContent = `Question ${next.number} / ${next.length}`;
  $("score").textContent = `Score${NNBSP}: ${next.score}`;
  showText("feedback", "");
  showText("quiz-error", next.error || next.picture_error);
  $("question").textContent = next.error ? "Cette question n’a pas pu être posée."
    : french(next.question);
  $("announce").textContent = `Question ${next.number} sur ${next.length}${NNBSP}: `
    + $("question").textContent;
  $("figure").hidden = !next.picture;
  if (next.picture) {
    $("picture").src = next.picture;
    $("picture").alt = pictureAlt();
    fitQuestionPicture();
  } else {
    $("picture").removeAttribute("src");
  }
  $("listen").hidden = !next.sound;
  const replay = $("replay");
  replay.textContent = "▶ Réécouter";
  delete replay.dataset.sound;
  if (next.sound) {
    prepareSound(next.sound, replay, next.sound_in, receivedAt);
  }
  answerButtons.forEach((button, index) => {
    const text = next.answers ? next.answers[index] : "";
    button.querySelector("span").textContent = french(text);
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
  // Only a sound waits on the module: a countdown without one reads as a
  // time limit.
  $("countdown").hidden = !running || !question.sound;
  if (!running) return;
  $("count").textContent = Math.ceil(remaining);
  const sessionId = session.id;
  const number = question.number;
  pollTimer = setTimeout(async () => {
    try {
      const state = await call("GET", `/api/sessions/${sessionId}/module`);
      if (session.id !== sessionId || question.number !== number) return;
      if (state.error && !question.error) {
        showText("quiz-error", state.error);
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
      ? `Bonne réponse${NNBSP}!`
      : `Non${NNBSP}: la bonne réponse était ${quoted(french(verdict.right_answer))}.`);
    $("score").textContent = `Score${NNBSP}: ${verdict.score}`;
    $("next").hidden = false;
    $("next").focus();
  } catch (error) {
    question.chosen = null;
    answerButtons.forEach((other) => { other.disabled = false; });
    if (error.gone) { busy = false; sessionGone(error.message); return; }
    showText("quiz-error", error.message);
  } finally {
    busy = false;
  }
}

function advance() {
  if (busy) return;
  if (lost) {
    startSession(lost.name, lost.length, lost.pupil);
  } else if (question && question.number === question.length) {
    showSummary();
  } else {
    nextQuestion();
  }
}

// The result.

function duration(seconds) {
  const whole = Math.round(seconds);
  const minutes = Math.floor(whole / 60);
  return minutes ? `${minutes}\u00a0min ${String(whole % 60).padStart(2, "0")}${NNBSP}s`
    : `${whole}${NNBSP}s`;
}

async function showSummary() {
  forgetQuestionSound();
  busy = true;
  try {
    const summary = await call("GET", `/api/sessions/${session.id}/summary`);
    clearTimeout(pollTimer);
    stopSound();
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
        picture.alt = pictureAlt();
        fitPicture(picture, 100);
        item.append(picture);
      }
      const text = document.createElement("div");
      const line = (className, content) => {
        const paragraph = document.createElement("p");
        paragraph.className = className;
        paragraph.textContent = content;
        text.append(paragraph);
      };
      line("missed-question", `${missed.number}. ${french(missed.question)}`);
      line("missed-chosen", `Votre réponse${NNBSP}: ${french(missed.chosen)}`);
      line("missed-right", `Bonne réponse${NNBSP}: ${french(missed.right)}`);
      if (missed.sound) {
        const replay = document.createElement("button");
        replay.className = "replay";
        replay.type = "button";
        replay.textContent = "▶ Écouter";
        text.append(replay);
        prepareSound(missed.sound, replay);
      }
      item.append(text);
      $("missed").append(item);
    }
    $("failed").replaceChildren();
    for (const number of summary.failed) {
      const line = document.createElement("p");
      line.className = "error";
      line.textContent = `La question ${number} n’a pas pu être posée.`;
      $("failed").append(line);
    }
    show("summary");
    // The score first: focus must not scroll it away.
    window.scrollTo(0, 0);
    $("again").focus({preventScroll: true});
  } catch (error) {
    if (error.gone) { busy = false; sessionGone(error.message); return; }
    showText("quiz-error", error.message);
  } finally {
    busy = false;
  }
}

// Sessions that outlive a reload, and those the host no longer has.

// The host lost the session (it restarted, or closed it idle): one button
// starts a new one of the same module and length under the same name.
function sessionGone(message) {
  const stored = JSON.parse(sessionStorage.getItem(SESSION_KEY) || "null");
  const from = session && session.name ? session : stored;
  if (!from) { show("choice"); return; }
  lost = {name: from.name, length: from.length, pupil: from.pupil};
  session = null;
  sessionStorage.removeItem(SESSION_KEY);
  clearTimeout(pollTimer);
  stopSound();
  show("quiz");
  $("quiz-title").textContent = from.module || "";
  $("progress").textContent = "";
  $("score").textContent = "";
  $("question").textContent = "Cette session s’est arrêtée.";
  $("figure").hidden = true;
  $("listen").hidden = true;
  $("countdown").hidden = true;
  showText("feedback", "");
  answerButtons.forEach((button) => { button.hidden = true; });
  showText("quiz-error", message);
  $("next").hidden = false;
  $("next").disabled = false;
  $("next").textContent = "Recommencer une session";
  $("next").focus();
}

// After a reload (or back to the page): the session this tab was playing,
// where it was. The address opened anew shows the start page.
async function resume() {
  const stored = JSON.parse(sessionStorage.getItem(SESSION_KEY) || "null");
  const navigation = performance.getEntriesByType("navigation")[0];
  if (!stored || (navigation && !["reload", "back_forward"].includes(navigation.type))) return;
  busy = true;
  try {
    const state = await call("GET", `/api/sessions/${encodeURIComponent(stored.id)}`);
    session = {id: state.id, module: state.module, name: state.name, length: state.length,
               pupil: stored.pupil};
    $("quiz-title").textContent = state.module;
    unlockAudio();  // suspended until the pupil's first click
    busy = false;
    if (state.finished) {
      question = {number: state.length, length: state.length};
      await showSummary();
    } else if (state.question) {
      show("quiz");
      if (!audioContext || audioContext.state !== "running") delete state.question.sound_in;
      showQuestion(state.question, performance.now());
    } else {
      show("quiz");
      await nextQuestion();
    }
  } catch (error) {
    busy = false;
    if (error.gone) {
      sessionGone(error.message);
    } else {
      sessionStorage.removeItem(SESSION_KEY);
      showText("choice-error", error.message);
    }
  }
}

// Wiring.

answerButtons.forEach((button) => {
  button.addEventListener("click", () => answer(Number(button.dataset.place)));
});
$("next").addEventListener("click", advance);
$("start").addEventListener("click", () => startSession(chosenModule));
$("again").addEventListener("click", () => startSession(chosenModule || (session && session.name)));
$("change").addEventListener("click", () => {
  sessionStorage.removeItem(SESSION_KEY);
  show("choice");
});
window.addEventListener("resize", () => { if (!$("figure").hidden) fitQuestionPicture(); });
document.addEventListener("keydown", (event) => {
  if ($("quiz").hidden || event.ctrlKey || event.altKey || event.metaKey) return;
  if (["1", "2", "3", "4"].includes(event.key)) {
    event.preventDefault();
    answer(Number(event.key));
  }
});

loadModules().then(resume);
