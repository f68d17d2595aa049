"use strict";
// The viewer page's script. The first part is pure (decoding the run data, stepping the rule,
// the status line) and is what the Node tests load; the second part draws and drives the page.
// The run data (the global RUN) is described in the program's src/view/PageData.h.

// ---- Decoding -------------------------------------------------------------------------------

function bytesOf(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// Unsigned LEB128 varints; plain arithmetic keeps values above 2^31 exact.
class Reader {
  constructor(bytes) { this.bytes = bytes; this.at = 0; }
  done() { return this.at >= this.bytes.length; }
  next() {
    let value = 0, scale = 1, byte;
    do {
      if (this.at >= this.bytes.length) throw new Error("Truncated page data");
      byte = this.bytes[this.at++];
      value += (byte & 127) * scale;
      scale *= 128;
    } while (byte & 128);
    return value;
  }
  nextSigned() { return unzigzag(this.next()); }
}

function unzigzag(v) { return v % 2 ? -(v + 1) / 2 : v / 2; }

// Per tile its corners as [x0, y0, x1, y1, ...] in picture units; a tile written as the same
// points as an earlier one shares that tile's array.
function decodeGeometry(base64, tiles, scale) {
  const reader = new Reader(bytesOf(base64));
  const corners = [];
  let x = 0, y = 0;
  for (let t = 0; t < tiles; t++) {
    const same = reader.next();
    if (same > 0) {
      if (same > t) throw new Error("Tile index out of range in page data");
      corners.push(corners[t - same]);
      continue;
    }
    const n = reader.next(), points = new Float64Array(2 * n);
    for (let k = 0; k < n; k++) {
      x += reader.nextSigned();
      y += reader.nextSigned();
      points[2 * k] = x / scale;
      points[2 * k + 1] = y / scale;
    }
    corners.push(points);
  }
  if (!reader.done()) throw new Error("Trailing bytes in page data");
  return corners;
}

// The tiles that count tile v are tile[start[v] .. start[v + 1]), each adding weight[k] to
// its live-face sum while v is alive.
function decodeAdjacency(base64, tiles) {
  const bytes = bytesOf(base64), reader = new Reader(bytes);
  // Every entry takes at least one byte, so the byte count bounds the entries.
  const start = new Int32Array(tiles + 1);
  const tile = new Int32Array(bytes.length), weight = new Int32Array(bytes.length);
  let entries = 0;
  for (let v = 0; v < tiles; v++) {
    const count = reader.next();
    for (let k = 0; k < count; k++) {
      const value = reader.next();
      const u = v + unzigzag(Math.floor(value / 8));
      if (u < 0 || u >= tiles) throw new Error("Tile index out of range in page data");
      tile[entries] = u;
      weight[entries++] = value % 8 + 1;
    }
    start[v + 1] = entries;
  }
  if (!reader.done()) throw new Error("Trailing bytes in page data");
  return { start, tile: tile.slice(0, entries), weight: weight.slice(0, entries) };
}

// Live tiles per step 0..steps, as a plain array so that it can grow past the run.
function decodePopulation(base64, steps) {
  const reader = new Reader(bytesOf(base64)), population = [];
  let count = 0;
  for (let s = 0; s <= steps; s++) {
    count += reader.nextSigned();
    population.push(count);
  }
  if (!reader.done()) throw new Error("Trailing bytes in page data");
  return population;
}

// Birth step per tile (-1 for a dead tile) from a checkpoint taken at `step`: a tile of age a
// at step s was born at step s - a + 1. The live tiles come as a list of gaps or as a bitmap.
function decodeCheckpoint(base64, step, tiles) {
  const bytes = bytesOf(base64), reader = new Reader(bytes);
  const born = new Int32Array(tiles).fill(-1);
  const kind = reader.next(), count = reader.next();
  if (kind !== 0 && kind !== 1) throw new Error("Unknown checkpoint kind in page data");
  const bitmapAt = reader.at;
  if (kind === 1) {
    reader.at += (tiles + 7) >> 3;
    if (reader.at > bytes.length) throw new Error("Truncated page data");
  }
  let tile = -1;
  for (let k = 0; k < count; k++) {
    if (kind === 0) {
      tile += reader.next() + 1;
    } else {
      do tile++; while (tile < tiles && !((bytes[bitmapAt + (tile >> 3)] >> (tile & 7)) & 1));
    }
    if (tile >= tiles) throw new Error("Tile index out of range in page data");
    const ageMinusOne = reader.next();
    if (ageMinusOne > step) throw new Error("Age out of range in page data");
    born[tile] = step - ageMinusOne;
  }
  if (!reader.done()) throw new Error("Trailing bytes in page data");
  return born;
}

// ---- Stepping the rule ----------------------------------------------------------------------

// The program's update rule with ages, stepped the way the program steps it: only tiles whose
// state or live-face sum moved in the last step can flip, so only those are decided; sums are
// kept by adding or taking away a flipped tile's capped weights.
class Stepper {
  constructor(tiles, adjacency, rule) {
    this.tiles = tiles;
    this.adjacency = adjacency;
    this.rule = rule;  // birth, surviveMin, surviveMax
    this.step = 0;
    this.liveCount = 0;
    this.born = new Int32Array(tiles).fill(-1);
    this.sum = new Int32Array(tiles);
    this.candidates = new Int32Array((tiles + 31) >> 5);
    this.changed = new Int32Array(tiles);
  }

  // The state of `step`: birth steps as decodeCheckpoint gives them (copied).
  load(step, born) {
    const { start, tile, weight } = this.adjacency;
    this.step = step;
    this.born.set(born);
    this.sum.fill(0);
    let live = 0;
    for (let v = 0; v < this.tiles; v++) {
      if (born[v] < 0) continue;
      live++;
      for (let k = start[v]; k < start[v + 1]; k++) this.sum[tile[k]] += weight[k];
    }
    this.liveCount = live;
    this.candidates.fill(-1);
  }

  advance() {
    const { start, tile, weight } = this.adjacency;
    const { birth, surviveMin, surviveMax } = this.rule;
    const born = this.born, sum = this.sum, candidates = this.candidates, changed = this.changed;
    const tiles = this.tiles;
    let flips = 0;
    for (let word = 0; word < candidates.length; word++) {
      let bits = candidates[word];
      if (bits === 0) continue;
      candidates[word] = 0;
      const base = word << 5;
      while (bits !== 0) {
        const low = bits & -bits;
        const t = base + 31 - Math.clz32(low);
        bits ^= low;
        if (t >= tiles) break;
        const s = sum[t];
        if (born[t] >= 0) {
          if (s < surviveMin || s > surviveMax) changed[flips++] = t;
        } else if (s === birth) {
          changed[flips++] = t;
        }
      }
    }
    const step = ++this.step;
    let live = this.liveCount;
    for (let f = 0; f < flips; f++) {
      const t = changed[f], sign = born[t] < 0 ? 1 : -1;
      born[t] = sign > 0 ? step : -1;
      live += sign;
      candidates[t >> 5] |= 1 << (t & 31);
      const end = start[t + 1];
      for (let k = start[t]; k < end; k++) {
        const u = tile[k];
        sum[u] += sign * weight[k];
        candidates[u >> 5] |= 1 << (u & 31);
      }
    }
    this.liveCount = live;
    return flips;
  }

  age(t) { return this.born[t] < 0 ? 0 : this.step - this.born[t] + 1; }

  maxAge() {
    let oldest = -1;
    for (let t = 0; t < this.tiles; t++) {
      if (this.born[t] >= 0 && (oldest < 0 || this.born[t] < oldest)) oldest = this.born[t];
    }
    return oldest < 0 ? 0 : this.step - oldest + 1;
  }
}

// The program's step line, without its newline.
function statusLine(step, liveCount, maxAge) {
  return "step=" + step + " alive=" + liveCount + " max_age=" + maxAge;
}

// Index of the last checkpoint at or before `step` (checkpoints ascend by step, the first is 0).
function checkpointBefore(checkpoints, step) {
  let low = 0, high = checkpoints.length - 1;
  while (low < high) {
    const middle = (low + high + 1) >> 1;
    if (checkpoints[middle][0] <= step) low = middle; else high = middle - 1;
  }
  return low;
}

// Everything the page steps with, decoded from the run data.
class Run {
  constructor(run) {
    this.data = run;
    this.adjacency = decodeAdjacency(run.adjacency, run.tiles);
    this.population = decodePopulation(run.population, run.steps);
    this.stepper = new Stepper(run.tiles, this.adjacency, run);
    // States the page reached past the recorded run, kept as more checkpoints: one every
    // extraEvery steps, the spacing doubled whenever they grow too many.
    this.extra = [];
    this.extraEvery = Run.EXTRA_EVERY;
    this.load(0);
  }

  load(index) {
    const recorded = this.data.checkpoints;
    if (index < recorded.length) {
      const [step, base64] = recorded[index];
      this.stepper.load(step, decodeCheckpoint(base64, step, this.data.tiles));
    } else {
      const [step, born] = this.extra[index - recorded.length];
      this.stepper.load(step, born);
    }
  }

  // Moves to `target`, from the current state when that is at or after the nearest
  // checkpoint, else from the checkpoint. Steps past the run extend the population.
  seek(target) {
    const all = this.data.checkpoints.concat(this.extra);
    const index = checkpointBefore(all, target);
    const stepper = this.stepper;
    if (target < stepper.step || all[index][0] > stepper.step) this.load(index);
    while (stepper.step < target) {
      stepper.advance();
      const step = stepper.step;
      if (step === this.population.length) {
        this.population.push(stepper.liveCount);
        if (step % this.extraEvery === 0) this.keepExtra(step);
      }
    }
  }

  keepExtra(step) {
    this.extra.push([step, Int32Array.from(this.stepper.born)]);
    if (this.extra.length > Run.MOST_EXTRA) {
      this.extraEvery *= 2;
      this.extra = this.extra.filter(([at]) => at % this.extraEvery === 0);
    }
  }

  statusLine() {
    return statusLine(this.stepper.step, this.stepper.liveCount, this.stepper.maxAge());
  }
}
Run.EXTRA_EVERY = 100;
Run.MOST_EXTRA = 100;

if (typeof module === "object" && module.exports) {
  module.exports = { bytesOf, Reader, decodeGeometry, decodeAdjacency, decodePopulation,
                     decodeCheckpoint, Stepper, statusLine, checkpointBefore, Run };
}

// ---- The page -------------------------------------------------------------------------------

function startPlayer() {
  const pageStart = performance.now();
  const style = RUN.style;
  const OLD_FILL = [255, 150, 60], OLD_STROKE = [255, 214, 170];
  const AGE_LEVELS = 64, AGE_CAP = 256;  // ages at or above AGE_CAP get the oldest colour
  const run = new Run(RUN), stepper = run.stepper;

  // Geometry: one Path2D per distinct tile in picture units, its bounds in box, and
  // nextSame[t], the next later tile with exactly the same corners (or -1). A tile with such a
  // later twin drawn over it is hidden entirely, outline included, and need not be drawn.
  const paths = [], box = new Float32Array(4 * RUN.tiles), nextSame = new Int32Array(RUN.tiles);
  {
    const corners = decodeGeometry(RUN.geometry, RUN.tiles, RUN.scale);
    const pathOf = new Map(), keyOf = new Map(), lastWithKey = new Map();
    for (let t = 0; t < RUN.tiles; t++) {
      const points = corners[t];
      if (!pathOf.has(points)) {
        const path = new Path2D(), names = [];
        for (let k = 0; k < points.length; k += 2) {
          if (k === 0) path.moveTo(points[0], points[1]); else path.lineTo(points[k], points[k + 1]);
          names.push(points[k] + "," + points[k + 1]);
        }
        path.closePath();
        pathOf.set(points, path);
        keyOf.set(points, names.sort().join(" "));
      }
      paths.push(pathOf.get(points));
      box.set([Infinity, Infinity, -Infinity, -Infinity], 4 * t);
      for (let k = 0; k < points.length; k += 2) {
        box[4 * t] = Math.min(box[4 * t], points[k]);
        box[4 * t + 1] = Math.min(box[4 * t + 1], points[k + 1]);
        box[4 * t + 2] = Math.max(box[4 * t + 2], points[k]);
        box[4 * t + 3] = Math.max(box[4 * t + 3], points[k + 1]);
      }
      const key = keyOf.get(points);
      nextSame[t] = -1;
      if (lastWithKey.has(key)) nextSame[lastWithKey.get(key)] = t;
      lastWithKey.set(key, t);
    }
  }

  function hex(rgb) { return "#" + rgb.map(c => c.toString(16).padStart(2, "0")).join(""); }
  function mix(from, to, t) { return from.map((c, i) => Math.round(c + (to[i] - c) * t)); }
  function rgbOf(text) { return [1, 3, 5].map(i => parseInt(text.substr(i, 2), 16)); }
  const ageFill = [], ageStroke = [];
  for (let level = 0; level < AGE_LEVELS; level++) {
    const t = level / (AGE_LEVELS - 1);
    ageFill.push(hex(mix(rgbOf(style.liveFill), OLD_FILL, t)));
    ageStroke.push(hex(mix(rgbOf(style.liveStroke), OLD_STROKE, t)));
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
  document.body.style.background = style.background;
  $("period").style.color = style.liveFill;
  if (RUN.period > 0) {
    $("period").textContent = "period=" + RUN.period + " from_step=" + RUN.periodFrom;
    $("periodNote").textContent = "period=" + RUN.period + " from_step=" + RUN.periodFrom +
        ": step " + RUN.periodFrom + " has the live tiles of step " +
        (RUN.periodFrom - RUN.period) + ", and from then on they repeat " +
        (RUN.period === 1 ? "at every step" : "every " + RUN.period + " steps") +
        " (ages go on growing)";
  } else {
    $("period").textContent = "period=none";
    $("periodNote").textContent = "period=none: no step of the run has the live tiles of an earlier step";
  }
  $("period").title = $("periodNote").textContent;

  // World (picture units) to canvas pixels: pixel = world * zoom + pan.
  let zoom = 1, panX = 0, panY = 0, fitted = false;
  // Fits the patch itself, with a narrow border instead of the picture's wide margin.
  const FIT_MARGIN = style.margin - 1;
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

  // Below this many pixels the outline is not drawn: it would only tint the edge.
  const THINNEST_STROKE_PX = 0.35;

  function tileColours(t, byAge) {
    if (stepper.born[t] < 0) return [style.deadFill, style.deadStroke];
    if (!byAge) return [style.liveFill, style.liveStroke];
    const level = ageLevel(stepper.age(t));
    return [ageFill[level], ageStroke[level]];
  }

  // True if a later twin of tile t is drawn in the same pass (null: the only pass).
  function coveredByTwin(t, livePass) {
    for (let u = nextSame[t]; u >= 0; u = nextSame[u]) {
      if (livePass === null || (stepper.born[u] >= 0) === livePass) return true;
    }
    return false;
  }

  function drawTiles() {
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = style.background;
    context.fillRect(0, 0, view.width, view.height);
    context.setTransform(zoom, 0, 0, zoom, panX, panY);
    context.lineWidth = style.strokeWidth;
    const byAge = ageColours.checked, outlined = style.strokeWidth * zoom >= THINNEST_STROKE_PX;
    // Tiles wholly outside the canvas are skipped.
    const edge = style.strokeWidth;
    const left = -panX / zoom - edge, right = (view.width - panX) / zoom + edge;
    const top = -panY / zoom - edge, bottom = (view.height - panY) / zoom + edge;
    // Tiling order: later tiles cover earlier ones, as in the SVG; with "live on top" the dead
    // tiles go first and the live ones over them, each kind in Tiling order.
    const passes = liveOnTop.checked ? [false, true] : [null];
    for (const livePass of passes) {
      for (let t = 0; t < RUN.tiles; t++) {
        if (livePass !== null && (stepper.born[t] >= 0) !== livePass) continue;
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

  // The plot: the label in a band of its own at the top, the curve below it, scaled by the
  // largest count after step 0 (the seeded population, often far larger, is cut off).
  const plotBase = document.createElement("canvas");
  const LABEL_BAND = 16, PAD = 4;
  let plotExtent = RUN.steps;
  function plotX(s) { return PAD + (plot.width - 2 * PAD) * (plotExtent > 0 ? s / plotExtent : 0); }
  function drawPlotBase() {
    const ratio = window.devicePixelRatio || 1, population = run.population;
    plotExtent = Math.max(RUN.steps, population.length - 1);
    plotBase.width = plot.width;
    plotBase.height = plot.height;
    const g = plotBase.getContext("2d");
    g.fillStyle = style.background;
    g.fillRect(0, 0, plotBase.width, plotBase.height);
    let most = population.length > 1 ? 0 : population[0];
    for (let s = 1; s < population.length; s++) most = Math.max(most, population[s]);
    most = Math.max(most, 1);
    const top = LABEL_BAND * ratio, bottom = plotBase.height - PAD;
    const yOf = n => bottom - (bottom - top) * Math.min(n, most) / most;
    if (RUN.steps < population.length - 1) {
      g.fillStyle = "#1d2230";
      g.fillRect(plotX(RUN.steps), top, plotBase.width - plotX(RUN.steps), bottom - top);
    }
    // Per pixel column, a stroke through its smallest and its largest count.
    g.strokeStyle = style.liveFill;
    g.lineWidth = 1;
    g.beginPath();
    let column = null, low = 0, high = 0;
    const visit = () => {
      g.lineTo(column + 0.5, yOf(low));
      g.lineTo(column + 0.5, yOf(high));
    };
    for (let s = 0; s < population.length; s++) {
      const x = Math.round(plotX(s)), n = population[s];
      if (column !== null && x === column) {
        low = Math.min(low, n);
        high = Math.max(high, n);
        continue;
      }
      if (column !== null) visit();
      if (column === null) g.moveTo(x + 0.5, yOf(n));
      column = x;
      low = high = n;
    }
    if (column !== null) visit();
    g.stroke();
    g.fillStyle = "#7d8799";
    g.font = 11 * ratio + "px monospace";
    g.fillText("live tiles per step (scale: " + most + ", the largest after step 0)" +
               (RUN.steps < population.length - 1 ? "; shaded: past the recorded run" : ""),
               6, 12 * ratio);
  }

  function drawPlot() {
    if (run.population.length - 1 > plotExtent &&
        (run.population.length - 1 - plotExtent) * 50 > plotExtent) drawPlotBase();
    plotContext.drawImage(plotBase, 0, 0);
    plotContext.fillStyle = "#ffffff";
    // Below the label's band, so the cursor never crosses the label.
    const band = LABEL_BAND * (window.devicePixelRatio || 1);
    plotContext.fillRect(Math.round(plotX(Math.min(stepper.step, plotExtent))) - 1, band, 2,
                         plot.height - band);
  }

  function drawLegend() {
    const bar = $("legendBar"), g = bar.getContext("2d");
    g.clearRect(0, 0, bar.width, bar.height);
    g.font = "11px monospace";
    g.fillStyle = "#c8cedb";
    if (!ageColours.checked) {
      g.fillStyle = style.liveFill; g.fillRect(0, 4, 14, 12);
      g.fillStyle = "#c8cedb"; g.fillText("alive", 18, 14);
      g.fillStyle = style.deadFill; g.fillRect(70, 4, 14, 12);
      g.strokeStyle = style.deadStroke; g.strokeRect(70.5, 4.5, 13, 11);
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
      g.fillText(age === AGE_CAP ? AGE_CAP + "+" : String(age), Math.min(x, bar.width - 28), 27);
    }
  }

  function render() {
    drawTiles();
    drawPlot();
    $("status").textContent = run.statusLine();
    $("past").textContent = stepper.step > RUN.steps
        ? "past the recorded run (" + RUN.steps + " steps): stepped by the page" : "";
    slider.value = Math.min(stepper.step, RUN.steps);
  }

  // A jump goes at most this far past the furthest step reached, so that an address such as
  // #step=999999999 cannot freeze the page; the status line shows the step reached.
  const MAX_AHEAD = 20000;
  function show(target) {
    run.seek(Math.max(0, Math.min(Math.floor(target) || 0, run.population.length - 1 + MAX_AHEAD)));
    render();
    if (!playing) history.replaceState(null, "", address());
  }

  // Playing: `speed` steps per second, several per frame when frames are slow; it goes on
  // past the recorded run.
  let playing = false, playClock = 0, playDue = 0;
  function setPlaying(on) {
    playing = on;
    $("play").textContent = playing ? "pause" : "play";
    if (playing) {
      playClock = performance.now();
      playDue = 0;
      requestAnimationFrame(playFrame);
    } else {
      history.replaceState(null, "", address());
    }
  }
  function playFrame(now) {
    if (!playing) return;
    playDue += (now - playClock) * Number(speed.value) / 1000;
    playClock = now;
    const whole = Math.floor(playDue);
    if (whole > 0) {
      playDue -= whole;
      run.seek(stepper.step + whole);
      render();
    }
    requestAnimationFrame(playFrame);
  }

  function stepBy(delta) { setPlaying(false); show(stepper.step + delta); }
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
    show(Math.round((x - PAD) / (plot.width - 2 * PAD) * plotExtent));
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
  // The address of the step shown, keeping the flags it was opened with.
  const flags = location.hash.split("&").slice(1).filter(f => !f.startsWith("step="));
  function address() { return ["#step=" + stepper.step].concat(flags).join("&"); }

  // Address flags: "&plain" shows the two SVG colours, "&under" draws the tiles in tiling
  // order only (live tiles can then be hidden under later ones); "&bench" times jumps and
  // played frames, each drawn and read back so that the drawing is really done.
  if (addressHas("plain")) ageColours.checked = false;
  if (addressHas("under")) liveOnTop.checked = false;
  showSpeed();
  drawLegend();
  resize();
  show(stepFromAddress());
  context.getImageData(0, 0, 1, 1);
  const timings = { tiles: RUN.tiles, steps: RUN.steps, checkpoints: RUN.checkpoints.length,
                    firstFrameMs: performance.now(), scriptMs: performance.now() - pageStart };
  if (addressHas("bench")) {
    const jumps = [];
    for (let k = 1; k <= 20; k++) {
      const target = Math.floor(RUN.steps * ((k * 7919) % 1000) / 1000);
      const t0 = performance.now();
      run.seek(target);
      render();
      context.getImageData(0, 0, 1, 1);
      jumps.push(performance.now() - t0);
    }
    timings.jumpMaxMs = Math.max(...jumps);
    timings.jumpMeanMs = jumps.reduce((a, b) => a + b, 0) / jumps.length;
    run.seek(Math.floor(RUN.steps / 2));
    const frames = 300, t0 = performance.now();
    for (let k = 0; k < frames; k++) {
      run.seek(stepper.step + 1);
      render();
      context.getImageData(0, 0, 1, 1);
    }
    timings.playFps = frames / ((performance.now() - t0) / 1000);
    show(stepFromAddress());
  }
  $("timings").textContent = JSON.stringify(timings);
}

if (typeof document !== "undefined") startPlayer();
