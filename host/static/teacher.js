// The teacher's page: this run's answers per pupil and per module, a chart
// of each pupil's right answers, and the whole results file to download.
// Opened from another device it carries the host's code (?code=...).
"use strict";

const $ = (id) => document.getElementById(id);
const NNBSP = "\u202f";
const code = new URLSearchParams(window.location.search).get("code") || "";
const SVG = "http://www.w3.org/2000/svg";

function percent(tally) {
  return tally.answered ? Math.round(100 * tally.right / tally.answered) : 0;
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

async function load() {
  try {
    const response = await fetch("/api/teacher/class", {headers: {"X-Teacher-Code": code}});
    const view = await response.json().catch(() => ({}));
    if (!response.ok) throw new Error(view.error || `Erreur ${response.status}.`);
    $("class-error").hidden = true;
    $("class-lead").textContent = `Depuis ${view.since}${NNBSP}: ${view.answers} réponses, `
      + `${view.pupils.length} élèves, ${view.live_sessions} sessions en cours.`;
    drawChart(view.pupils);
    const pupils = $("pupils").tBodies[0];
    pupils.replaceChildren();
    for (const pupil of view.pupils) {
      const detail = Object.entries(pupil.modules)
        .map(([module, tally]) => `${module}${NNBSP}: ${tally.right}/${tally.answered}`).join(" · ");
      cells(pupils.insertRow(), [[pupil.name], [pupil.answered, true],
        [`${pupil.right} (${percent(pupil)}${NNBSP}%)`, true], [detail]]);
    }
    const modules = $("modules").tBodies[0];
    modules.replaceChildren();
    for (const module of view.modules) {
      cells(modules.insertRow(), [[module.module], [module.answered, true],
        [`${module.right} (${percent(module)}${NNBSP}%)`, true]]);
    }
  } catch (error) {
    $("class-error").textContent = error.message.startsWith("Failed")
      ? `Le serveur du quiz ne répond pas${NNBSP}: vérifiez le réseau.` : error.message;
    $("class-error").hidden = false;
  }
}

$("download").href = `/api/teacher/resultats.csv${code ? `?code=${encodeURIComponent(code)}` : ""}`;
$("refresh").addEventListener("click", load);
setInterval(load, 10000);
load();
