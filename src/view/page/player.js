"use strict";
const pageStart = performance.now();
const LIVE_FILL = "#96ff5f", LIVE_STROKE = "#d9ffb8";
const DEAD_FILL = "#171b26", DEAD_STROKE = "#394252", BACKGROUND = "#090a0f";
const OLD_FILL = [255, 150, 60], OLD_STROKE = [255, 214, 170];
const AGE_LEVELS = 64, AGE_CAP = 256;  // ages at or above AGE_CAP get the oldest colour

function bytesOf(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// Unsigned LEB128 varints; plain arithmetic keeps values above 2^31 exact.
class Reader {
  constructor(bytes) { this.bytes = bytes; this.at = 0; }
  next() {
    let value = 0, scale = 1, byte;
    do {
      byte = this.bytes[this.at++];
      value += (byte & 127) * scale;
      scale *= 128;
    } while (byte & 128);
    return value;
  }
  nextSigned() { const v = this.next(); return v % 2 ? -(v + 1) / 2 : v / 2; }
}

// Geometry: one Path2D per tile in picture units, its bounds in box, and nextSame[t], the
// next later tile with exactly the same corners (or -1). A tile with such a later twin drawn
// over it is hidden entirely, outline included, and need not be drawn.
const paths = [], box = new Float32Array(4 * RUN.tiles), nextSame = new Int32Array(RUN.tiles);
{
  const reader = new Reader(bytesOf(RUN.geometry));
  const lastWithCorners = new Map();
  let x = 0, y = 0;
  for (let t = 0; t < RUN.tiles; t++) {
    const path = new Path2D(), corners = [];
    const n = reader.next();
    box.set([Infinity, Infinity, -Infinity, -Infinity], 4 * t);
    for (let k = 0; k < n; k++) {
      x += reader.nextSigned();
      y += reader.nextSigned();
      corners.push(x + "," + y);
      const px = x / RUN.scale, py = y / RUN.scale;
      if (k === 0) path.moveTo(px, py); else path.lineTo(px, py);
      box[4 * t] = Math.min(box[4 * t], px);
      box[4 * t + 1] = Math.min(box[4 * t + 1], py);
      box[4 * t + 2] = Math.max(box[4 * t + 2], px);
      box[4 * t + 3] = Math.max(box[4 * t + 3], py);
    }
    path.closePath();
    paths.push(path);
    const key = corners.sort().join(" ");
    nextSame[t] = -1;
    if (lastWithCorners.has(key)) nextSame[lastWithCorners.get(key)] = t;
    lastWithCorners.set(key, t);
  }
}

// Change lists of all steps back to back: step s's tiles are changes[changeStart[s - 1] ..
// changeStart[s]).
let changes, changeStart;
{
  const reader = new Reader(bytesOf(RUN.changes));
  const list = [];
  changeStart = new Uint32Array(RUN.steps + 1);
  for (let s = 1; s <= RUN.steps; s++) {
    const count = reader.next();
    let tile = -1;
    for (let k = 0; k < count; k++) {
      tile += reader.next() + 1;
      list.push(tile);
    }
    changeStart[s] = list.length;
  }
  changes = Int32Array.from(list);
}

// The state shown: birth step per tile, -1 for a dead tile; age at step s is s - born + 1.
const born = new Int32Array(RUN.tiles);
let step = 0;

function loadCheckpoint(index) {
  const reader = new Reader(bytesOf(RUN.checkpoints[index]));
  const at = index * RUN.checkpointEvery;
  born.fill(-1);
  const count = reader.next();
  let tile = -1;
  for (let k = 0; k < count; k++) {
    tile += reader.next() + 1;
    born[tile] = at - reader.next();
  }
  step = at;
}

function applyNextStep() {
  step++;
  for (let k = changeStart[step - 1]; k < changeStart[step]; k++) {
    const tile = changes[k];
    born[tile] = born[tile] < 0 ? step : -1;
  }
}

function seek(target) {
  target = Math.max(0, Math.min(RUN.steps, target | 0));
  const checkpoint = Math.floor(target / RUN.checkpointEvery);
  if (target < step || checkpoint * RUN.checkpointEvery > step) loadCheckpoint(checkpoint);
  while (step < target) applyNextStep();
}

// Live tiles per step, for the plot.
const population = new Int32Array(RUN.steps + 1);
{
  const alive = new Uint8Array(RUN.tiles);
  loadCheckpoint(0);
  let count = 0;
  for (let t = 0; t < RUN.tiles; t++) if (born[t] >= 0) { alive[t] = 1; count++; }
  population[0] = count;
  for (let s = 1; s <= RUN.steps; s++) {
    for (let k = changeStart[s - 1]; k < changeStart[s]; k++) {
      const tile = changes[k];
      count += alive[tile] ? -1 : 1;
      alive[tile] ^= 1;
    }
    population[s] = count;
  }
}

function hex(rgb) { return "#" + rgb.map(c => c.toString(16).padStart(2, "0")).join(""); }
function mix(from, to, t) { return from.map((c, i) => Math.round(c + (to[i] - c) * t)); }
function rgbOf(text) { return [1, 3, 5].map(i => parseInt(text.substr(i, 2), 16)); }
const ageFill = [], ageStroke = [];
for (let level = 0; level < AGE_LEVELS; level++) {
  const t = level / (AGE_LEVELS - 1);
  ageFill.push(hex(mix(rgbOf(LIVE_FILL), OLD_FILL, t)));
  ageStroke.push(hex(mix(rgbOf(LIVE_STROKE), OLD_STROKE, t)));
}
// Age 1 is level 0, AGE_CAP and older the last level, on a logarithmic scale.
function ageLevel(age) {
  return Math.min(AGE_LEVELS - 1, Math.floor(Math.log(age) / Math.log(AGE_CAP) * (AGE_LEVELS - 1)));
}

const $ = id => document.getElementById(id);
const view = $("view"), context = view.getContext("2d");
const plot = $("plot"), plotContext = plot.getContext("2d");
const slider = $("slider"), speed = $("speed"), ageColours = $("ageColours");
const liveOnTop = $("liveOnTop");
slider.max = RUN.steps;
$("period").textContent =
  RUN.period > 0 ? "period=" + RUN.period + " from_step=" + RUN.periodFrom : "period=none";

// World (picture units) to canvas pixels: pixel = world * zoom + pan.
let zoom = 1, panX = 0, panY = 0, fitted = false;
// Fits the patch itself, with a narrow border instead of the picture's wide margin.
const FIT_MARGIN = 23;
function fitView() {
  const w = RUN.width - 2 * FIT_MARGIN, h = RUN.height - 2 * FIT_MARGIN;
  zoom = Math.min(view.width / w, view.height / h);
  panX = (view.width - w * zoom) / 2 - FIT_MARGIN * zoom;
  panY = (view.height - h * zoom) / 2 - FIT_MARGIN * zoom;
}

function resize() {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(view.clientWidth * ratio));
  const h = Math.max(1, Math.round(view.clientHeight * ratio));
  if (w !== view.width || h !== view.height || !fitted) {
    view.width = w;
    view.height = h;
    fitView();
    fitted = true;
  }
  plot.width = Math.max(1, Math.round(plot.clientWidth * ratio));
  plot.height = Math.max(1, Math.round(plot.clientHeight * ratio));
  drawPlotBase();
}

const STROKE_WIDTH = 0.03;
// Below this many pixels the outline is not drawn: it would only tint the edge.
const THINNEST_STROKE_PX = 0.35;

function tileColours(t, byAge) {
  if (born[t] < 0) return [DEAD_FILL, DEAD_STROKE];
  if (!byAge) return [LIVE_FILL, LIVE_STROKE];
  const level = ageLevel(step - born[t] + 1);
  return [ageFill[level], ageStroke[level]];
}

// True if a later twin of tile t is drawn in the same pass (null: the only pass).
function coveredByTwin(t, livePass) {
  for (let u = nextSame[t]; u >= 0; u = nextSame[u]) {
    if (livePass === null || (born[u] >= 0) === livePass) return true;
  }
  return false;
}

function drawTiles() {
  context.setTransform(1, 0, 0, 1, 0, 0);
  context.fillStyle = BACKGROUND;
  context.fillRect(0, 0, view.width, view.height);
  context.setTransform(zoom, 0, 0, zoom, panX, panY);
  context.lineWidth = STROKE_WIDTH;
  const byAge = ageColours.checked, outlined = STROKE_WIDTH * zoom >= THINNEST_STROKE_PX;
  // Tiles wholly outside the canvas are skipped.
  const left = -panX / zoom - STROKE_WIDTH, right = (view.width - panX) / zoom + STROKE_WIDTH;
  const top = -panY / zoom - STROKE_WIDTH, bottom = (view.height - panY) / zoom + STROKE_WIDTH;
  // Tiling order: later tiles cover earlier ones, as in the SVG; with "live on top" the dead
  // tiles go first and the live ones over them, each kind in Tiling order.
  const passes = liveOnTop.checked ? [false, true] : [null];
  for (const livePass of passes) {
    for (let t = 0; t < RUN.tiles; t++) {
      if (livePass !== null && (born[t] >= 0) !== livePass) continue;
      const b = 4 * t;
      if (box[b] > right || box[b + 2] < left || box[b + 1] > bottom || box[b + 3] < top) continue;
      if (coveredByTwin(t, livePass)) continue;
      const [fill, stroke] = tileColours(t, byAge);
      context.fillStyle = fill;
      context.fill(paths[t]);
      if (outlined) {
        context.strokeStyle = stroke;
        context.stroke(paths[t]);
      }
    }
  }
}

// The same figures as the program's step line, taken from the state shown.
function statusLine() {
  let alive = 0, oldest = 0;
  for (let t = 0; t < RUN.tiles; t++) {
    if (born[t] >= 0) {
      alive++;
      oldest = Math.max(oldest, step - born[t] + 1);
    }
  }
  return "step=" + step + " alive=" + alive + " max_age=" + oldest;
}

const plotBase = document.createElement("canvas");
function drawPlotBase() {
  plotBase.width = plot.width;
  plotBase.height = plot.height;
  const g = plotBase.getContext("2d");
  g.fillStyle = BACKGROUND;
  g.fillRect(0, 0, plotBase.width, plotBase.height);
  let most = 1;
  for (const n of population) most = Math.max(most, n);
  g.strokeStyle = LIVE_FILL;
  g.lineWidth = 1;
  g.beginPath();
  for (let s = 0; s <= RUN.steps; s++) {
    const x = plotX(s), y = plotBase.height - 4 - (plotBase.height - 8) * population[s] / most;
    if (s === 0) g.moveTo(x, y); else g.lineTo(x, y);
  }
  g.stroke();
  g.fillStyle = "#7d8799";
  g.font = 11 * (window.devicePixelRatio || 1) + "px monospace";
  g.fillText("live tiles (max " + most + ")", 6, 14 * (window.devicePixelRatio || 1));
}
function plotX(s) { return 4 + (plot.width - 8) * (RUN.steps > 0 ? s / RUN.steps : 0); }

function drawPlot() {
  plotContext.drawImage(plotBase, 0, 0);
  plotContext.fillStyle = "#ffffff";
  plotContext.fillRect(Math.round(plotX(step)) - 1, 0, 2, plot.height);
}

function drawLegend() {
  const bar = $("legendBar"), g = bar.getContext("2d");
  g.clearRect(0, 0, bar.width, bar.height);
  g.font = "11px monospace";
  g.fillStyle = "#c8cedb";
  if (!ageColours.checked) {
    g.fillStyle = LIVE_FILL; g.fillRect(0, 4, 14, 12);
    g.fillStyle = "#c8cedb"; g.fillText("alive", 18, 14);
    g.fillStyle = DEAD_FILL; g.fillRect(70, 4, 14, 12);
    g.strokeStyle = DEAD_STROKE; g.strokeRect(70.5, 4.5, 13, 11);
    g.fillStyle = "#c8cedb"; g.fillText("dead", 88, 14);
    return;
  }
  const width = bar.width - 30;
  for (let x = 0; x < width; x++) {
    g.fillStyle = ageFill[Math.round(x / (width - 1) * (AGE_LEVELS - 1))];
    g.fillRect(30 + x, 2, 1, 12);
  }
  g.fillStyle = "#c8cedb";
  g.fillText("age", 0, 12);
  for (const age of [1, 16, AGE_CAP]) {
    const x = 30 + Math.log(age) / Math.log(AGE_CAP) * (width - 1);
    g.fillText(age === AGE_CAP ? AGE_CAP + "+" : String(age), Math.min(x, bar.width - 24), 27);
  }
}

function render() {
  drawTiles();
  drawPlot();
  $("status").textContent = statusLine();
  slider.value = step;
}

function show(target) {
  seek(target);
  render();
  if (!playing) history.replaceState(null, "", "#step=" + step);
}

// Playing: `speed` steps per second, several per frame when frames are slow.
let playing = false, playClock = 0, playDue = 0;
function setPlaying(on) {
  playing = on && RUN.steps > 0;
  $("play").textContent = playing ? "pause" : "play";
  if (playing) {
    if (step >= RUN.steps) show(0);
    playClock = performance.now();
    playDue = 0;
    requestAnimationFrame(playFrame);
  } else {
    history.replaceState(null, "", "#step=" + step);
  }
}
function playFrame(now) {
  if (!playing) return;
  playDue += (now - playClock) * Number(speed.value) / 1000;
  playClock = now;
  const whole = Math.floor(playDue);
  if (whole > 0) {
    playDue -= whole;
    seek(step + whole);
    render();
  }
  if (step >= RUN.steps) setPlaying(false);
  else requestAnimationFrame(playFrame);
}

function stepBy(delta) { setPlaying(false); show(step + delta); }
$("play").onclick = () => setPlaying(!playing);
$("back").onclick = () => stepBy(-1);
$("forward").onclick = () => stepBy(1);
slider.oninput = () => { setPlaying(false); show(Number(slider.value)); };
const showSpeed = () => { $("speedText").textContent = speed.value + "/s"; };
speed.oninput = showSpeed;
ageColours.onchange = () => { drawLegend(); render(); };
liveOnTop.onchange = render;
// Capture phase, so the slider does not also move on arrows.
window.addEventListener("keydown", event => {
  if (event.key === " ") setPlaying(!playing);
  else if (event.key === "ArrowLeft") stepBy(-1);
  else if (event.key === "ArrowRight") stepBy(1);
  else return;
  event.preventDefault();
}, true);

plot.addEventListener("click", event => {
  const ratio = window.devicePixelRatio || 1;
  const x = event.offsetX * ratio;
  setPlaying(false);
  show(Math.round((x - 4) / (plot.width - 8) * RUN.steps));
});

let drag = null;
view.addEventListener("pointerdown", event => {
  drag = { x: event.clientX, y: event.clientY };
  view.setPointerCapture(event.pointerId);
  view.style.cursor = "grabbing";
});
view.addEventListener("pointermove", event => {
  if (!drag) return;
  const ratio = window.devicePixelRatio || 1;
  panX += (event.clientX - drag.x) * ratio;
  panY += (event.clientY - drag.y) * ratio;
  drag = { x: event.clientX, y: event.clientY };
  drawTiles();
});
view.addEventListener("pointerup", () => { drag = null; view.style.cursor = "grab"; });
view.addEventListener("dblclick", () => { fitView(); drawTiles(); });
view.addEventListener("wheel", event => {
  event.preventDefault();
  const ratio = window.devicePixelRatio || 1;
  const x = event.offsetX * ratio, y = event.offsetY * ratio;
  const factor = Math.exp(-event.deltaY * 0.0015);
  panX = x - (x - panX) * factor;
  panY = y - (y - panY) * factor;
  zoom *= factor;
  drawTiles();
}, { passive: false });

window.addEventListener("resize", () => { resize(); render(); });
window.addEventListener("hashchange", () => { setPlaying(false); show(stepFromAddress()); });

function stepFromAddress() {
  const match = /(?:^#|&)step=(\d+)/.exec(location.hash);
  return match ? Number(match[1]) : 0;
}
function addressHas(flag) { return location.hash.split("&").includes(flag); }

// Address flags: "&plain" shows the two SVG colours, "&top" draws live tiles on top; "&bench" times jumps and played frames,
// each drawn and read back so that the drawing is really done.
if (addressHas("plain")) ageColours.checked = false;
if (addressHas("top")) liveOnTop.checked = true;
showSpeed();
drawLegend();
resize();
seek(stepFromAddress());
render();
context.getImageData(0, 0, 1, 1);
const timings = { tiles: RUN.tiles, steps: RUN.steps,
                  firstFrameMs: performance.now(), scriptMs: performance.now() - pageStart };
if (addressHas("bench")) {
  const jumps = [];
  for (let k = 1; k <= 20; k++) {
    const target = Math.floor(RUN.steps * ((k * 7919) % 1000) / 1000);
    const t0 = performance.now();
    seek(target);
    render();
    context.getImageData(0, 0, 1, 1);
    jumps.push(performance.now() - t0);
  }
  timings.jumpMaxMs = Math.max(...jumps);
  seek(0);
  const frames = Math.min(300, RUN.steps), t0 = performance.now();
  for (let k = 0; k < frames; k++) {
    seek(step + 1);
    render();
    context.getImageData(0, 0, 1, 1);
  }
  timings.playFps = frames / ((performance.now() - t0) / 1000);
  show(stepFromAddress());
}
$("timings").textContent = JSON.stringify(timings);
