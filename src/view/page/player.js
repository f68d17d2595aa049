"use strict";
// The page's wiring: reads the run data, then draws and drives the page with the pure modules
// above (PageData, Rules, Automaton, Geometry, Picture, Plot, Address).

// Shown on the page itself, in place of the controls, when the data cannot be used.
function showDamage(error) {
  const damage = document.getElementById("damage");
  damage.textContent = error instanceof PageData.DamagedData
      ? "This page's data is damaged (" + error.message + "): it cannot show the run."
      : "This page failed: " + error.message;
  damage.hidden = false;
  for (const control of document.querySelectorAll("button, input, select")) control.disabled = true;
}

function startPlayer() {
  const pageStart = performance.now();
  const $ = id => document.getElementById(id);
  const element = $("run");
  const data = PageData.readRunData(element.textContent, element.dataset.checksum);
  const style = data.style, palette = Picture.paletteOf(style);
  const own = { rule: Rules.ruleText(Rules.ruleOfRun(data)), weight: data.faceWeight,
                seed: data.seed, density: data.density };
  const shapes = Geometry.orientedShapes(data.base);
  const origin = Geometry.tileOrigins(data.placements, data.minX, data.minY, style.margin);
  const orientation = data.placements.orientation;
  const places = data.kind === "spectre" ? Geometry.ownPlaces(data.tiles)
                                         : Geometry.placesOf(data.placements);
  const placed = Geometry.placeOrigins(places, origin, orientation);

  // ---- The state: settings, the run they give, and whether tiles were drawn into it.
  let settings = Object.assign({}, own), edited = null, run = null;
  function runOf(chosen) {
    const rule = Rules.parseRule(chosen.rule);
    if (chosen.rule === own.rule && chosen.weight === own.weight && chosen.seed === own.seed &&
        chosen.density === own.density) {
      return new Automaton.Run(data.tiles, data.stepGraph, rule, chosen.weight, { recorded: data });
    }
    return new Automaton.Run(data.tiles, data.stepGraph, rule, chosen.weight,
                             { origin: 0, born: Automaton.seededBorn(data.tiles, chosen.seed,
                                                                     chosen.density) });
  }
  function useSettings(chosen, step) {
    settings = chosen;
    edited = null;
    run = runOf(chosen);
    showSettings();
    show(step);
  }
  function showSettings() {
    $("rule").value = settings.rule;
    $("weight").value = String(settings.weight);
    $("seed").value = settings.seed;
    $("density").value = String(settings.density);
  }
  const recorded = () => run.recorded.length > 0;

  // ---- The view and its raster, made again whenever the view changes.
  const view = $("view"), context = view.getContext("2d", { willReadFrequently: false });
  const plot = $("plot"), plotContext = plot.getContext("2d");
  const slider = $("slider"), speed = $("speed"), ageColours = $("ageColours");
  const liveOnTop = $("liveOnTop"), logScale = $("logScale");
  let place = null, raster = null, rasterPlace = null, rasterMs = 0, image = null, pixels = null;
  let shown = null;
  document.body.style.background = style.background;
  $("period").style.color = style.liveFill;
  const snapshot = document.createElement("canvas");
  // Below this zoom (pixels per picture unit) outlines would only tint the edges.
  const OUTLINE_ZOOM = 4;

  function rasteriseNow() {
    const t0 = performance.now();
    raster = Geometry.rasterise(placed.origin, placed.orientation, shapes, place, view.width,
                                view.height);
    rasterPlace = place;
    rasterMs = performance.now() - t0;
  }

  function drawFrame() {
    if (rasterPlace !== place) rasteriseNow();
    Geometry.shownTiles(raster, places, run.stepper.born, liveOnTop.checked, shown);
    Picture.colourFrame(shown, view.width, view.height, run.stepper.born, run.stepper.step,
                        ageColours.checked ? palette.byAge : palette.plain, palette.background,
                        place.zoom >= OUTLINE_ZOOM, pixels);
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.putImageData(image, 0, 0);
  }

  // While the view moves, a large patch shows the last frame moved along and is rasterised
  // again once the movement pauses.
  let settleTimer = 0;
  function moveView(next) {
    place = next;
    clearTimeout(settleTimer);
    if (rasterMs < 30) { drawFrame(); return; }
    if (!snapshotFresh) { snapshot.getContext("2d").putImageData(image, 0, 0); snapshotFresh = true; }
    const scale = place.zoom / rasterPlace.zoom;
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = style.background;
    context.fillRect(0, 0, view.width, view.height);
    context.setTransform(scale, 0, 0, scale, place.panX - rasterPlace.panX * scale,
                         place.panY - rasterPlace.panY * scale);
    context.drawImage(snapshot, 0, 0);
    settleTimer = setTimeout(() => { snapshotFresh = false; drawFrame(); }, 150);
  }
  let snapshotFresh = false;

  function resize() {
    const ratio = window.devicePixelRatio || 1;
    const w = Math.max(1, Math.round(view.clientWidth * ratio));
    const h = Math.max(1, Math.round(view.clientHeight * ratio));
    if (w !== view.width || h !== view.height || place === null) {
      view.width = snapshot.width = w;
      view.height = snapshot.height = h;
      image = context.createImageData(w, h);
      pixels = new Uint32Array(image.data.buffer);
      shown = new Int32Array(w * h);
      place = Geometry.fittedView(data.width, data.height, style.margin, w, h);
    }
    plot.width = Math.max(1, Math.round(plot.clientWidth * ratio));
    plot.height = Math.max(1, Math.round(plot.clientHeight * ratio));
  }

  // ---- The plot: a label band at the top, the curve below, a cursor at the step shown.
  const LABEL_BAND = 16, PAD = 4;
  let plotExtent = data.steps;
  function plotX(s) { return PAD + (plot.width - 2 * PAD) * (plotExtent > 0 ? s / plotExtent : 0); }
  function drawPlot() {
    const ratio = window.devicePixelRatio || 1, population = run.population;
    plotExtent = Math.max(data.steps, population.length - 1);
    const g = plotContext, top = LABEL_BAND * ratio, bottom = plot.height - PAD;
    g.fillStyle = style.background;
    g.fillRect(0, 0, plot.width, plot.height);
    if (data.steps < population.length - 1) {
      g.fillStyle = "#1d2230";
      g.fillRect(plotX(data.steps), top, plot.width - plotX(data.steps), bottom - top);
    }
    const columns = Math.max(1, plot.width - 2 * PAD);
    const { low, high } = Plot.columnsOf(population, plotExtent, columns);
    const scale = Plot.scaleOf(population, logScale.checked);
    g.strokeStyle = style.liveFill;
    g.lineWidth = 1;
    g.beginPath();
    // Through each column's largest and smallest count, joined column to column.
    let first = true;
    for (let c = 0; c < columns; c++) {
      if (high[c] < 0) continue;
      const x = PAD + c + 0.5;
      const yHigh = bottom - (bottom - top) * scale.at(high[c]);
      if (first) g.moveTo(x, yHigh); else g.lineTo(x, yHigh);
      g.lineTo(x, bottom - (bottom - top) * scale.at(low[c]));
      first = false;
    }
    g.stroke();
    g.fillStyle = "#7d8799";
    g.font = 11 * ratio + "px monospace";
    g.fillText("live tiles per step (" + (logScale.checked ? "log scale, " + scale.least + " to " + scale.most
                                          : "scale: " + scale.most + ", the largest after the first tenth") + ")" +
               (data.steps < population.length - 1 ? "; shaded: past the recorded run" : ""),
               6, 12 * ratio);
    g.fillStyle = "#ffffff";
    g.fillRect(Math.round(plotX(Math.min(run.stepper.step, plotExtent))) - 1, top, 2, plot.height - top);
  }

  function drawLegend() {
    const bar = $("legendBar"), g = bar.getContext("2d");
    g.clearRect(0, 0, bar.width, bar.height);
    g.font = "11px monospace";
    if (!ageColours.checked) {
      g.fillStyle = style.liveFill; g.fillRect(0, 4, 14, 12);
      g.fillStyle = "#c8cedb"; g.fillText("alive", 18, 14);
      g.fillStyle = style.deadFill; g.fillRect(70, 4, 14, 12);
      g.strokeStyle = style.deadStroke; g.strokeRect(70.5, 4.5, 13, 11);
      g.fillStyle = "#c8cedb"; g.fillText("dead", 88, 14);
      return;
    }
    const width = bar.width - 30, levels = palette.levelFill;
    for (let x = 0; x < width; x++) {
      g.fillStyle = levels[Math.round(x / (width - 1) * (levels.length - 1))];
      g.fillRect(30 + x, 2, 1, 12);
    }
    g.fillStyle = "#c8cedb";
    g.fillText("age", 0, 12);
    for (const age of [1, 16, Picture.AGE_CAP]) {
      const x = 30 + Math.log(age) / Math.log(Picture.AGE_CAP) * (width - 1);
      g.fillText(age === Picture.AGE_CAP ? age + "+" : String(age), Math.min(x, bar.width - 28), 27);
    }
  }

  function periodNote(period) {
    if (!period) {
      return "period=none: no step " + (recorded() ? "of the run" : "reached") +
             " has the live tiles of an earlier step";
    }
    return Automaton.periodLine(period) + ": step " + period.fromStep +
           " has the live tiles of step " + (period.fromStep - period.length) +
           ", and from then on they repeat " +
           (period.length === 1 ? "at every step" : "every " + period.length + " steps") +
           " (ages go on growing)";
  }

  function render() {
    const stepper = run.stepper;
    drawFrame();
    drawPlot();
    $("status").textContent = run.statusLine();
    $("past").textContent = recorded() && stepper.step > data.steps
        ? "past the recorded run (" + data.steps + " steps): stepped by the page" : "";
    $("period").textContent = Automaton.periodLine(run.period);
    $("period").title = $("periodNote").textContent = periodNote(run.period);
    $("edited").textContent = edited !== null
        ? "edited: tiles drawn at step " + edited + " (a link does not hold them)"
        : recorded() ? "" : "settings differ from the recorded run: stepped by the page";
    slider.max = Math.max(data.steps, run.last());
    slider.value = stepper.step;
  }

  // A jump goes at most this far past the furthest step reached, so that an address such as
  // #step=999999999 cannot freeze the page; the status line shows the step reached.
  const MAX_AHEAD = 20000;
  function show(target) {
    run.seek(Math.max(0, Math.min(Math.floor(target) || 0, run.last() + MAX_AHEAD)));
    render();
    if (!playing) history.replaceState(null, "", address());
  }

  // ---- Playing: `speed` steps per second, several per frame when frames are slow.
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
      run.seek(run.stepper.step + whole);
      render();
    }
    requestAnimationFrame(playFrame);
  }

  function stepBy(delta) { setPlaying(false); show(run.stepper.step + delta); }
  $("play").onclick = () => setPlaying(!playing);
  $("back").onclick = () => stepBy(-1);
  $("forward").onclick = () => stepBy(1);
  slider.oninput = () => { setPlaying(false); show(Number(slider.value)); };
  const showSpeed = () => { $("speedText").textContent = speed.value + "/s"; };
  speed.oninput = showSpeed;
  ageColours.onchange = () => { drawLegend(); render(); };
  liveOnTop.onchange = render;
  logScale.onchange = drawPlot;

  // ---- The explorer's settings.
  function chosenSettings() {
    const parsed = Address.parseAddress("rule=" + encodeURIComponent($("rule").value.trim()) +
                                        "&weight=" + $("weight").value + "&seed=" +
                                        encodeURIComponent($("seed").value.trim()) + "&density=" +
                                        encodeURIComponent($("density").value.trim()));
    $("problem").textContent = parsed.problems.join("; ");
    return parsed.problems.length ? null : Object.assign({}, own, parsed.settings);
  }
  $("explorer").onsubmit = event => {
    event.preventDefault();
    const chosen = chosenSettings();
    if (chosen) { setPlaying(false); useSettings(chosen, 0); }
  };
  $("weight").onchange = () => $("explorer").requestSubmit();
  $("reseed").onclick = () => {
    $("seed").value = String(Math.floor(Math.random() * 2 ** 32));
    $("explorer").requestSubmit();
  };

  // ---- Drawing: a click toggles a tile; in draw mode a drag paints tiles in the state the
  // first one did not have. The state drawn into becomes the origin of a run of the page's own.
  function pixelOf(event) {
    const ratio = window.devicePixelRatio || 1, box = view.getBoundingClientRect();
    const x = Math.floor((event.clientX - box.left) * ratio);
    const y = Math.floor((event.clientY - box.top) * ratio);
    return x >= 0 && y >= 0 && x < view.width && y < view.height ? y * view.width + x : -1;
  }
  function drawTile(pixel, makeLive) {
    if (pixel < 0) return null;
    if (rasterPlace !== place) drawFrame();
    const stepper = run.stepper, t = shown[pixel];  // as the frame shown has it
    if (t < 0) return null;
    const live = makeLive === null ? stepper.born[t] < 0 : makeLive;
    if ((stepper.born[t] >= 0) === live) return live;
    const born = Int32Array.from(stepper.born), step = stepper.step;
    born[t] = live ? step : -1;
    run = new Automaton.Run(data.tiles, data.stepGraph, stepper.rule, stepper.faceWeight,
                            { origin: step, born, before: run.population });
    edited = step;
    render();
    return live;
  }

  let drag = null;
  view.addEventListener("pointerdown", event => {
    if (event.button !== 0) return;
    setPlaying(false);
    drag = { x: event.clientX, y: event.clientY, moved: false, paint: null };
    if ($("drawMode").checked) drag.paint = drawTile(pixelOf(event), null);
    try {
      view.setPointerCapture(event.pointerId);
    } catch (error) {
      // A pointer that is not active (a synthetic event) cannot be captured; nothing is lost.
    }
    view.style.cursor = $("drawMode").checked ? "crosshair" : "grabbing";
  });
  view.addEventListener("pointermove", event => {
    if (!drag) return;
    if (Math.abs(event.clientX - drag.x) + Math.abs(event.clientY - drag.y) > 3) drag.moved = true;
    if ($("drawMode").checked) {
      if (drag.paint !== null) drawTile(pixelOf(event), drag.paint);
      return;
    }
    if (!drag.moved) return;
    const ratio = window.devicePixelRatio || 1;
    moveView(Geometry.pannedView(place, (event.clientX - drag.x) * ratio,
                                 (event.clientY - drag.y) * ratio));
    drag.x = event.clientX;
    drag.y = event.clientY;
  });
  const endDrag = cancelled => event => {
    if (!drag) return;
    if (!cancelled && !drag.moved && !$("drawMode").checked) drawTile(pixelOf(event), null);
    drag = null;
    view.style.cursor = "grab";
  };
  view.addEventListener("pointerup", endDrag(false));
  view.addEventListener("pointercancel", endDrag(true));
  view.addEventListener("dblclick", event => {
    event.preventDefault();
    place = Geometry.fittedView(data.width, data.height, style.margin, view.width, view.height);
    drawFrame();
  });
  view.addEventListener("wheel", event => {
    event.preventDefault();
    const ratio = window.devicePixelRatio || 1;
    moveView(Geometry.zoomedView(place, event.offsetX * ratio, event.offsetY * ratio,
                                 Math.exp(-event.deltaY * 0.0015)));
  }, { passive: false });

  // Keys act on the page unless a control that takes them has the focus: Space toggles a
  // focused checkbox or presses a focused button, arrows move a caret or a slider.
  window.addEventListener("keydown", event => {
    const focus = document.activeElement;
    const inControl = focus && focus !== document.body && /^(INPUT|SELECT|BUTTON|TEXTAREA)$/.test(focus.tagName);
    if (event.key === " " && !inControl) setPlaying(!playing);
    else if (event.key === "ArrowLeft" && (!inControl || focus === slider)) stepBy(-1);
    else if (event.key === "ArrowRight" && (!inControl || focus === slider)) stepBy(1);
    else return;
    event.preventDefault();
  }, true);

  plot.addEventListener("click", event => {
    const ratio = window.devicePixelRatio || 1;
    setPlaying(false);
    show(Math.round((event.offsetX * ratio - PAD) / (plot.width - 2 * PAD) * plotExtent));
  });

  // ---- Pictures out.
  function save(blob, name) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(blob);
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }
  const baseName = () => "quorvel-step-" + run.stepper.step;
  $("saveSvg").onclick = () => {
    const born = run.stepper.born, xy = new Float64Array(28);
    const text = Picture.svgText(data.tiles, t => {
      const shape = shapes[orientation[t]].xy;
      for (let k = 0; k < 28; k += 2) {
        xy[k] = origin[2 * t] + shape[k];
        xy[k + 1] = origin[2 * t + 1] + shape[k + 1];
      }
      return xy;
    }, t => born[t] >= 0, data.width, data.height, style);
    save(new Blob([text], { type: "image/svg+xml" }), baseName() + ".svg");
  };
  $("savePng").onclick = () => view.toBlob(blob => save(blob, baseName() + ".png"), "image/png");
  let recorder = null;
  $("record").onclick = () => {
    if (recorder) { recorder.stop(); return; }
    if (typeof MediaRecorder === "undefined" || !view.captureStream) {
      $("problem").textContent = "this browser cannot record video";
      return;
    }
    const chunks = [];
    recorder = new MediaRecorder(view.captureStream(30), { mimeType: "video/webm" });
    recorder.ondataavailable = event => chunks.push(event.data);
    recorder.onstop = () => {
      save(new Blob(chunks, { type: "video/webm" }), baseName() + ".webm");
      recorder = null;
      $("record").textContent = "record";
    };
    recorder.start();
    $("record").textContent = "stop recording";
    if (!playing) setPlaying(true);
  };

  // ---- The address.
  let flags = [];
  function address() { return Address.formatAddress(settings, own, run.stepper.step, flags); }
  function openAddress() {
    const parsed = Address.parseAddress(location.hash);
    flags = parsed.flags;
    $("problem").textContent = parsed.problems.length ? "address: " + parsed.problems.join("; ") : "";
    const chosen = Object.assign({}, own, parsed.settings);
    const same = run && edited === null && Object.keys(own).every(k => chosen[k] === settings[k]);
    if (same) show(parsed.step); else useSettings(chosen, parsed.step);
  }
  window.addEventListener("resize", () => { resize(); render(); });
  window.addEventListener("hashchange", () => {
    if (location.hash === address()) return;
    setPlaying(false);
    openAddress();
  });

  // Address flags: "&plain" shows the two SVG colours, "&under" draws the tiles in tiling
  // order only (live tiles can then be hidden under later ones); "&bench" times jumps and
  // played frames, each drawn and read back so that the drawing is really done.
  const hasFlag = flag => location.hash.slice(1).split("&").includes(flag);
  if (hasFlag("plain")) ageColours.checked = false;
  if (hasFlag("under")) liveOnTop.checked = false;
  showSpeed();
  drawLegend();
  resize();
  openAddress();
  context.getImageData(0, 0, 1, 1);
  const timings = { tiles: data.tiles, steps: data.steps, checkpoints: data.checkpoints.length,
                    firstFrameMs: performance.now(), scriptMs: performance.now() - pageStart,
                    rasterMs };
  if (hasFlag("bench")) {
    const jumps = [];
    for (let k = 1; k <= 20; k++) {
      const target = Math.floor(data.steps * ((k * 7919) % 1000) / 1000);
      const t0 = performance.now();
      run.seek(target);
      render();
      context.getImageData(0, 0, 1, 1);
      jumps.push(performance.now() - t0);
    }
    timings.jumpMaxMs = Math.max(...jumps);
    timings.jumpMeanMs = jumps.reduce((a, b) => a + b, 0) / jumps.length;
    run.seek(Math.floor(data.steps / 2));
    const frames = 300, t0 = performance.now();
    for (let k = 0; k < frames; k++) {
      run.seek(run.stepper.step + 1);
      render();
      context.getImageData(0, 0, 1, 1);
    }
    timings.playFps = frames / ((performance.now() - t0) / 1000);
    const t1 = performance.now();
    for (let k = 0; k < 10; k++) rasteriseNow();
    timings.rasterMs = (performance.now() - t1) / 10;
    show(Address.parseAddress(location.hash).step);
  }
  $("timings").textContent = JSON.stringify(timings);
}

if (typeof document !== "undefined") {
  try {
    startPlayer();
  } catch (error) {
    showDamage(error);
  }
}
