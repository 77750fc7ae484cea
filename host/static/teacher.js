// The teacher's page: a day's answers (today's by default) per pupil and
// per module, what was missed most, a chart of each pupil's right answers,
// the class's assignment, the address to join as a QR code and the whole
// results file to download. All of it is read from the results file, so a
// restart of the host loses nothing. Opened from another device it carries
// the host's code (?code=...).
"use strict";

const $ = (id) => document.getElementById(id);
const NNBSP = "\u202f";
const code = new URLSearchParams(window.location.search).get("code") || "";
const SVG = "http://www.w3.org/2000/svg";
const byName = new Intl.Collator("fr", {sensitivity: "base", numeric: true});
let shownDay = "";  // "" for today

// French plurals: 0 and 1 take the singular.
function count(number, word, plural = `${word}s`) {
  return `${number}\u00a0${number > 1 ? plural : word}`;
}

function percent(tally) {
  return tally.answered ? Math.round(100 * tally.right / tally.answered) : 0;
}

function withCode(url) {
  return code ? `${url}${url.includes("?") ? "&" : "?"}code=${encodeURIComponent(code)}` : url;
}

function longDate(day) {
  return new Date(`${day}T12:00:00`).toLocaleDateString("fr-FR",
    {weekday: "long", day: "numeric", month: "long", year: "numeric"});
}

async function call(method, path, body) {
  let response;
  try {
    response = await fetch(withCode(path), {
      method,
      headers: {"X-Teacher-Code": code, ...(body ? {"Content-Type": "application/json"} : {})},
      body: body ? JSON.stringify(body) : undefined,
    });
  } catch (error) {
    throw new Error(`Le serveur du quiz ne répond pas${NNBSP}: vérifiez le réseau.`);
  }
  const data = await response.json().catch(() => ({}));
  if (!response.ok) throw new Error(data.error || `Erreur ${response.status}.`);
  return data;
}

function cells(row, values) {
  for (const [value, number] of values) {
    const cell = row.insertCell();
    cell.textContent = value;
    if (number) cell.className = "number";
  }
}

function svgElement(name, attributes, text) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  if (text !== undefined) element.textContent = text;
  return element;
}

// One bar per pupil: the share of right answers in green, the rest pale.
function drawChart(pupils) {
  const chart = $("chart");
  const rowHeight = 22;
  const nameWidth = 160;
  const barWidth = 360;
  chart.replaceChildren();
  chart.setAttribute("viewBox", `0 0 ${nameWidth + barWidth + 60} ${rowHeight * pupils.length + 8}`);
  chart.setAttribute("width", nameWidth + barWidth + 60);
  chart.setAttribute("height", rowHeight * pupils.length + 8);
  pupils.forEach((pupil, index) => {
    const y = 4 + index * rowHeight;
    const right = barWidth * pupil.right / Math.max(1, pupil.answered);
    chart.append(
      svgElement("text", {x: 4, y: y + 15}, pupil.name),
      svgElement("rect", {x: nameWidth, y: y + 3, width: barWidth, height: 14, class: "bar-rest"}),
      svgElement("rect", {x: nameWidth, y: y + 3, width: right, height: 14, class: "bar-right"}),
      svgElement("text", {x: nameWidth + barWidth + 6, y: y + 15}, `${percent(pupil)}${NNBSP}%`));
  });
  chart.hidden = !pupils.length;
}

function showDays(view) {
  const today = new Date().toLocaleDateString("sv");  // YYYY-MM-DD, the host's form
  const days = [...new Set([today, view.day, ...view.days])].sort().reverse();
  $("day").replaceChildren(...days.map((day) => {
    const option = new Option(day === today ? `Aujourd’hui (${longDate(day)})` : longDate(day),
                              day === today ? "" : day);
    option.selected = day === view.day;
    return option;
  }));
}

function showMissed(modules) {
  const box = $("missed-most");
  box.replaceChildren();
  for (const module of modules.filter((each) => each.missed.length)) {
    const card = document.createElement("section");
    card.className = "missed-module";
    const title = document.createElement("h3");
    title.textContent = module.module;
    const list = document.createElement("ul");
    list.className = "missed-list";
    for (const missed of module.missed) {
      const item = document.createElement("li");
      if (missed.picture) {
        const picture = document.createElement("img");
        picture.src = withCode(missed.picture);
        picture.alt = missed.place ? `Portée${NNBSP}: ${missed.right_answer}, ${missed.place}`
          : `Image${NNBSP}: ${missed.right_answer}`;
        picture.onerror = () => picture.remove();
        if (missed.place) picture.className = "staff";
        item.append(picture);
      }
      const text = document.createElement("div");
      const line = (content, className = "") => {
        const paragraph = document.createElement("p");
        paragraph.textContent = content;
        paragraph.className = className;
        text.append(paragraph);
      };
      if (missed.place) {
        line(`${missed.right_answer}, ${missed.place}`);
      } else {
        line(missed.question);
        line(`Bonne réponse${NNBSP}: ${missed.right_answer}`);
      }
      line(`manquée ${count(missed.wrong, "fois", "fois")} sur ${missed.asked}`, "count");
      item.append(text);
      list.append(item);
    }
    card.append(title, list);
    box.append(card);
  }
  if (!box.children.length) {
    const none = document.createElement("p");
    none.textContent = "Aucune question manquée ce jour-là.";
    box.append(none);
  }
}

function showAssignment(view) {
  const select = $("assign-module");
  if (!select.options.length) {
    for (const module of view.modules_built) select.add(new Option(module.title, module.name));
    $("assign-length").max = view.max_length;
  }
  const now = view.assignment;
  $("assign-now").textContent = now
    ? `Proposé aux élèves${NNBSP}: ${now.title}, ${count(now.length, "question")}.`
    : "Aucun quiz n’est proposé aux élèves pour l’instant.";
  $("assign-clear").disabled = !now;
}

async function load() {
  try {
    const view = await call("GET", `/api/teacher/class${shownDay ? `?day=${shownDay}` : ""}`);
    $("class-error").hidden = true;
    const pupils = view.pupils.sort((one, other) => byName.compare(one.name, other.name));
    $("class-lead").textContent = `${longDate(view.day)}${NNBSP}: `
      + `${count(view.answers, "réponse")}, ${count(pupils.length, "élève")}, `
      + `${count(view.live_sessions, "session")} en cours.`;
    showDays(view);
    showAssignment(view);
    $("join-address").textContent = view.join;
    $("join-local").hidden = !/^http:\/\/(127\.|\[::1\])/.test(view.join);
    $("join").hidden = false;
    drawChart(pupils);
    const rows = $("pupils").tBodies[0];
    rows.replaceChildren();
    for (const pupil of pupils) {
      const detail = Object.entries(pupil.modules)
        .map(([module, tally]) => `${module}${NNBSP}: ${tally.right}/${tally.answered}`).join(" · ");
      cells(rows.insertRow(), [[pupil.name], [pupil.answered, true],
        [`${pupil.right} (${percent(pupil)}${NNBSP}%)`, true], [detail]]);
    }
    const modules = $("modules").tBodies[0];
    modules.replaceChildren();
    for (const module of view.modules) {
      cells(modules.insertRow(), [[module.module], [module.answered, true],
        [`${module.right} (${percent(module)}${NNBSP}%)`, true]]);
    }
    showMissed(view.modules);
  } catch (error) {
    $("class-error").textContent = error.message;
    $("class-error").hidden = false;
  }
}

async function assign(body) {
  try {
    await call("POST", "/api/teacher/assignment", body);
    await load();
  } catch (error) {
    $("class-error").textContent = error.message;
    $("class-error").hidden = false;
  }
}

$("download").href = withCode("/api/teacher/resultats.csv");
$("join-code").src = withCode("/api/teacher/qr.svg");
$("join-code").onerror = () => { $("join-code").hidden = true; };
$("refresh").addEventListener("click", load);
$("print").addEventListener("click", () => window.print());
$("day").addEventListener("change", () => { shownDay = $("day").value; load(); });
$("assign-set").addEventListener("click", () => assign(
  {module: $("assign-module").value, length: Number($("assign-length").value)}));
$("assign-clear").addEventListener("click", () => assign({module: null}));
setInterval(load, 10000);
load();
