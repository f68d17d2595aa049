"use strict";
// The page's pure modules (src/view/page/*.js) without a browser, against the programs
// themselves on real tilings: the page's outlines from its placements against the program's
// exact outlines (both patches, depths 0 to 6); its stepping against quorvel's step lines
// across rules, face weights, seeds and densities (the recorded run and runs the page seeds
// itself); births, deaths and ages tile by tile against a checkpoint of every step; its period
// against quorvel-view's period line; set rules, the address and the checksum; and the
// decoders' refusals of damaged data, each with its message.
const test = require("node:test");
const assert = require("node:assert");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");

const PAGE = process.env.QUORVEL_PAGE_DIR || path.join(__dirname, "../../src/view/page");
const PageData = require(path.join(PAGE, "pageData.js"));
const Rules = require(path.join(PAGE, "rules.js"));
const Automaton = require(path.join(PAGE, "automaton.js"));
const Geometry = require(path.join(PAGE, "geometry.js"));
const Picture = require(path.join(PAGE, "picture.js"));
const Plot = require(path.join(PAGE, "plot.js"));
const Address = require(path.join(PAGE, "address.js"));
const QUORVEL = process.env.QUORVEL_BIN || "build/quorvel";
const VIEW = process.env.QUORVEL_VIEW_BIN || "build/quorvel-view";
const PAGE_DATA = process.env.QUORVEL_PAGE_DATA_BIN || "build/tests/page_data_tool";

// Steps quorvel is run past the recorded run, for the page's own steps beyond it.
const PAST = 12;

const RUNS = [
  ["--depth", "2", "--steps", "40"],
  ["--depth", "3", "--steps", "60", "--birth", "2"],
  ["--depth", "3", "--steps", "50", "--birth", "2", "--survive-min", "1", "--survive-max", "4",
   "--face-weight", "2", "--seed", "7"],
  ["--depth", "2", "--root", "Gamma", "--steps", "30", "--birth", "1", "--face-weight", "3",
   "--density", "0.2", "--seed", "12345"],
  ["--depth", "3", "--root", "Psi", "--steps", "40", "--birth", "0", "--survive-min", "0",
   "--survive-max", "2", "--face-weight", "6", "--seed", "3"],
  ["--depth", "2", "--root", "Sigma", "--steps", "25", "--density", "1", "--birth", "4",
   "--survive-min", "3", "--survive-max", "6", "--face-weight", "4"],
  ["--tiling", "spectre", "--depth", "3", "--steps", "40", "--birth", "2", "--face-weight", "2",
   "--seed", "18446744073709551615"],
  // A set rule, and the vertex neighbourhood, as the program writes them into the page.
  ["--tiling", "spectre", "--depth", "3", "--steps", "40", "--rule", "B2,5/S1,3-4",
   "--face-weight", "2", "--seed", "4"],
  ["--tiling", "spectre", "--depth", "3", "--steps", "40", "--rule", "B2/S2-3",
   "--neighbourhood", "vertex", "--seed", "9"],
  ["--depth", "1", "--steps", "30", "--rule", "B1,3/S0,2", "--neighbourhood", "vertex"],
];

function option(options, name, fallback) {
  const at = options.indexOf(name);
  return at < 0 ? fallback : options[at + 1];
}

function withSteps(options, steps) {
  const copy = options.filter((_, k) => options[k] !== "--steps" && options[k - 1] !== "--steps");
  return copy.concat(["--steps", String(steps)]);
}

// quorvel-view's report: step lines by step, and the period line.
function viewReport(options) {
  const lines = execFileSync(VIEW, options.concat(["--html", ""]), { encoding: "utf8" }).split("\n");
  const byStep = new Map();
  for (const line of lines) {
    const match = /^step=(\d+) /.exec(line);
    if (match) byStep.set(Number(match[1]), line);
  }
  return { byStep, period: lines.find(line => line.startsWith("period=")) };
}

function runData(options) {
  const text = execFileSync(PAGE_DATA, options, { encoding: "utf8", maxBuffer: 1 << 30 }).trim();
  return PageData.readRunData(text, PageData.checksumOf(text));
}

function settingsOf(options) {
  const birth = Number(option(options, "--birth", "3"));
  const rule = options.includes("--rule")
                 ? Rules.parseRule(option(options, "--rule", ""))
                 : Rules.ruleOfCounts(birth, Number(option(options, "--survive-min", "2")),
                                      Number(option(options, "--survive-max", "3")));
  return { rule, weight: Number(option(options, "--face-weight", "1")),
           seed: option(options, "--seed", "1"), density: Number(option(options, "--density", "0.42")) };
}

function recordedRun(data) {
  return new Automaton.Run(data.tiles, data.stepGraph, Rules.ruleOfRun(data), data.faceWeight,
                           { recorded: data });
}

function seededRun(data, settings) {
  return new Automaton.Run(data.tiles, data.stepGraph, settings.rule, settings.weight,
                           { origin: 0, born: Automaton.seededBorn(data.tiles, settings.seed,
                                                                   settings.density) });
}

test("outlines from the page's placements equal the program's exact outlines", () => {
  const cases = [];
  for (let depth = 0; depth <= 5; depth++) cases.push(["--depth", String(depth)]);
  for (let depth = 0; depth <= 6; depth++) cases.push(["--tiling", "spectre", "--depth", String(depth)]);
  cases.push(["--depth", "3", "--root", "Gamma"], ["--tiling", "spectre", "--depth", "4", "--root", "Psi"]);
  for (const options of cases) {
    const args = options.concat(["--steps", "0"]);
    const [tiles, expected] = execFileSync(PAGE_DATA, ["--outline-hash"].concat(args),
                                           { encoding: "utf8" }).trim().split(" ").map(Number);
    const data = runData(args);
    assert.strictEqual(data.tiles, tiles);
    const outlines = [];
    for (let o = 0; o < 24; o++) outlines.push(Geometry.orientedOutline(data.base, o));
    const { orientation, shift } = data.placements;
    let hash = 0x811c9dc5;
    for (let t = 0; t < tiles; t++) {
      for (const p of outlines[orientation[t]]) {
        for (let c = 0; c < 4; c++) hash = Math.imul(hash ^ (p[c] + shift[4 * t + c]), 16777619);
      }
    }
    assert.strictEqual(hash >>> 0, expected, options.join(" "));
  }
});

for (const options of RUNS) {
  test("the recorded run steps like the program: " + options.join(" "), () => {
    const data = runData(options);
    const steps = data.steps;
    assert.strictEqual(data.checkpoints.length, steps + 1, "a checkpoint at every step");
    const { byStep } = viewReport(withSteps(options, steps + PAST));
    const run = recordedRun(data), stepper = run.stepper;
    // Forward from step 0 alone: every tile's state and age equals the program's checkpoint.
    for (let s = 0; s <= steps; s++) {
      run.seek(s);
      const [at, base64] = data.checkpoints[s];
      assert.strictEqual(at, s);
      assert.deepStrictEqual(stepper.born, PageData.decodeCheckpoint(base64, s, data.tiles),
                             "birth steps at step " + s);
      assert.strictEqual(stepper.liveCount, run.population[s], "live count at step " + s);
      if (s > 0) assert.strictEqual(run.statusLine(), byStep.get(s));
    }
    for (let s = steps + 1; s <= steps + PAST; s++) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), byStep.get(s));
    }
    for (const s of [steps, 1, Math.floor(steps / 2), steps + PAST, 2, steps - 1]) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), byStep.get(s), "after a jump to " + s);
    }
  });
}

test("far past the run, the page keeps a bounded number of its own checkpoints", () => {
  const options = ["--depth", "2", "--steps", "5", "--birth", "2"];
  const data = runData(options);
  const far = 5 + 150 * 100;
  const { byStep } = viewReport(withSteps(options, far));
  const run = recordedRun(data);
  run.seek(far);
  assert.strictEqual(run.statusLine(), byStep.get(far));
  assert.ok(run.extra.length <= 100, run.extra.length + " checkpoints of the page's own");
  for (const [step] of run.extra) assert.strictEqual(step % run.extraEvery, 0);
  for (const s of [far - 1, 7777, 6]) {
    run.seek(s);
    assert.strictEqual(run.statusLine(), byStep.get(s), "back to step " + s);
  }
  // With many tiles the checkpoints share a byte budget; the state the page started from
  // (here a drawn one at step 3) is always kept.
  const small = Automaton.Run.EXTRA_BYTES;
  Automaton.Run.EXTRA_BYTES = 4 * data.tiles * 6;
  try {
    const own = new Automaton.Run(data.tiles, data.stepGraph, Rules.ruleOfRun(data), 1,
                                  { origin: 3, born: new Int32Array(data.tiles).fill(-1).fill(3, 0, 20) });
    own.seek(5000);
    assert.strictEqual(own.mostExtra, 6);
    assert.ok(own.extra.length <= 7 && own.extra[0][0] === 3, JSON.stringify(own.extra.map(e => e[0])));
  } finally {
    Automaton.Run.EXTRA_BYTES = small;
  }
});

// The page reseeds and steps other settings on the graph of one run: seeding, set rules and
// face weights capped by the page all have to agree with the program's own run of them.
test("settings changed in the page step like the program's run of them, period included", () => {
  const base = ["--depth", "3", "--steps", "0"];
  const spectre = ["--tiling", "spectre", "--depth", "3", "--steps", "0"];
  const datas = new Map([["quorvel", runData(base)], ["spectre", runData(spectre)]]);
  const steps = 150;
  for (const options of RUNS) {
    const kind = option(options, "--tiling", "quorvel");
    const patch = kind === "spectre" ? spectre : base;
    const root = option(options, "--root", "Delta");
    // The patch's own data serves every face run; a vertex run carries its own graph.
    const shared = root === "Delta" && option(options, "--depth", "3") === "3" &&
                   !options.includes("--neighbourhood");
    const data = shared ? datas.get(kind) : runData(withSteps(options, 0));
    const settings = settingsOf(options);
    const full = withSteps(root === "Delta" ? patch.slice(0, -2).concat(options.slice(0)) : options, steps);
    const report = viewReport(full);
    const run = seededRun(data, settings);
    for (let s = 1; s <= steps; s++) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), report.byStep.get(s), options.join(" ") + " step " + s);
    }
    assert.strictEqual(Automaton.periodLine(run.period), report.period, options.join(" "));
  }
});

test("the period: found only when a live set repeats, at the first repeat", () => {
  // Quorvel's patch at depth 3 with the default rule settles into period 6 from step 27.
  const data = runData(["--depth", "3", "--steps", "0"]);
  const run = seededRun(data, settingsOf([]));
  run.seek(26);
  assert.strictEqual(run.period, null);
  run.seek(27);
  assert.deepStrictEqual(run.period, { length: 6, fromStep: 27 });
  // A hash that matches without the live sets matching is not a period: step 6's hash is
  // made to name step 2 as well, whose live set differs.
  const probe = seededRun(data, settingsOf([]));
  probe.seek(6);
  const key6 = probe.stepper.hashA + ":" + probe.stepper.hashB + ":" + probe.stepper.liveCount;
  const fooled = seededRun(data, settingsOf([]));
  fooled.seek(5);
  fooled.hashes.set(key6, [2]);
  fooled.seek(6);
  assert.strictEqual(fooled.period, null);
  assert.deepStrictEqual(fooled.hashes.get(key6), [2, 6]);
  assert.strictEqual(Automaton.periodLine(null), "period=none");
});

test("a drawn tile is live at once and the next step follows the rule", () => {
  const options = ["--depth", "3", "--steps", "0", "--density", "0"];
  const data = runData(options);
  // One live tile alone dies (sum 0 is not in S2-3); its neighbours stay dead (sum 1 is not B3).
  const born = new Int32Array(data.tiles).fill(-1);
  born[100] = 10;
  const run = new Automaton.Run(data.tiles, data.stepGraph, Rules.parseRule("B1/S0"), 1,
                                { origin: 10, born, before: [0, 0, 0, 0, 0, 0, 0, 0, 0, 0] });
  assert.strictEqual(run.statusLine(), "step=10 alive=1 max_age=1");
  run.seek(11);
  // B1/S0: the lone tile survives (sum 0) and every tile that counts it is born.
  const { start } = data.stepGraph;
  const neighbours = start[101] - start[100];
  assert.strictEqual(run.statusLine(), "step=11 alive=" + (1 + neighbours) + " max_age=2");
  run.seek(3);
  assert.strictEqual(run.stepper.step, 10, "nothing before the drawn state");
});

test("the status line reads as the program's step line", () => {
  assert.strictEqual(Automaton.statusLine(0, 0, 0), "step=0 alive=0 max_age=0");
  assert.strictEqual(Automaton.statusLine(2147483647, 34649, 4294967295),
                     "step=2147483647 alive=34649 max_age=4294967295");
});

test("ages: newborns are 1, survivors grow, the dead are 0", () => {
  // Three tiles in a row, each counting its neighbours with weight 1; B1/S1.
  const graph = PageData.decodeStepGraph(Buffer.from([1, 2, 1, 2, 0]).toString("base64"), 3, true);
  assert.deepStrictEqual(Array.from(graph.start), [0, 1, 3, 4]);
  assert.deepStrictEqual(Array.from(graph.tile), [1, 0, 2, 1]);
  const stepper = new Automaton.Stepper(3, graph, Rules.parseRule("B1/S1"), 1);
  stepper.load(5, Int32Array.from([-1, 3, -1]));  // tile 1 of age 3 at step 5
  assert.strictEqual(stepper.maxAge(), 3);
  stepper.advance();  // tile 1 has sum 0 and dies; tiles 0 and 2 have sum 1 and are born
  assert.deepStrictEqual([0, 1, 2].map(t => stepper.age(t)), [1, 0, 1]);
  stepper.advance();  // each end has sum 0 and dies; the middle has sum 2 and is not born
  assert.deepStrictEqual([0, 1, 2].map(t => stepper.age(t)), [0, 0, 0]);
  assert.strictEqual(stepper.liveCount, 0);
  assert.strictEqual(stepper.maxAge(), 0);
});

test("checkpointBefore finds the last checkpoint at or before a step", () => {
  const checkpoints = [[0], [10], [25], [40]];
  const cases = [[0, 0], [9, 0], [10, 1], [24, 1], [25, 2], [39, 2], [40, 3], [1000, 3]];
  for (const [step, index] of cases) {
    assert.strictEqual(Automaton.checkpointBefore(checkpoints, step), index, "step " + step);
  }
});

test("seeding: the program's uniform numbers, from seed 0 to 2^64 - 1", () => {
  const expected = [0.5665615751722809, 0.13259515855226434, 0.6474806325420278,
                    0.37245078886659466, 0.4831176326625798, 0.3771493705547767];
  const seed = Automaton.halvesOf("1");
  assert.deepStrictEqual(expected.map((_, j) => Automaton.tileUniform(j, seed)), expected);
  assert.deepStrictEqual(Array.from(Automaton.seededBorn(6, "1", 0.42)), [-1, 0, -1, 0, -1, 0]);
  assert.deepStrictEqual(Array.from(Automaton.seededBorn(3, "1", 1)), [0, 0, 0]);
  assert.deepStrictEqual(Array.from(Automaton.seededBorn(3, "1", 0)), [-1, -1, -1]);
  assert.throws(() => Automaton.halvesOf("18446744073709551616"),
                { message: "Seed out of range: 18446744073709551616" });
});

test("rules as sets: the text read and written back", () => {
  const cases = [["B3/S2-3", "B3/S2-3"], ["B2,5/S1,3-4", "B2,5/S1,3-4"], ["B/S0", "B/S0"],
                 ["B2,3/S1", "B2-3/S1"], ["B0-14/S", "B0-14/S"], ["B1,2,3,7/S4-5,6", "B1-3,7/S4-6"]];
  for (const [text, canonical] of cases) {
    assert.strictEqual(Rules.ruleText(Rules.parseRule(text)), canonical, text);
  }
  assert.strictEqual(Rules.ruleText(Rules.ruleOfCounts(3, 2, 3)), "B3/S2-3");
  assert.strictEqual(Rules.ruleText(Rules.ruleOfCounts(2, 4, 1)), "B2/S");
  const refusals = [["B3S23", "Unreadable rule: B3S23 (expected e.g. B3/S2-3)"],
                    ["B15/S2", "Rule count above 14: B15/S2"],
                    ["B3,2/S2", "Rule counts must ascend: B3,2/S2"],
                    ["B4-2/S", "Rule counts must ascend: B4-2/S"],
                    ["B3/S2,,3", "Unreadable rule: B3/S2,,3 (expected e.g. B3/S2-3)"]];
  for (const [text, message] of refusals) assert.throws(() => Rules.parseRule(text), { message });
});

test("the address: read, written and read back", () => {
  const own = { rule: "B3/S2-3", weight: 1, seed: "1", density: 0.42 };
  const parsed = Address.parseAddress("#rule=B2,5/S1,3-4&weight=2&seed=5&density=0.3&step=40&plain");
  assert.deepStrictEqual(parsed.settings, { rule: "B2,5/S1,3-4", weight: 2, seed: "5", density: 0.3 });
  assert.strictEqual(parsed.step, 40);
  assert.deepStrictEqual(parsed.flags, ["plain"]);
  const text = Address.formatAddress(Object.assign({}, own, parsed.settings), own, 40, parsed.flags);
  assert.strictEqual(text, "#rule=B2,5/S1,3-4&weight=2&seed=5&density=0.3&step=40&plain");
  assert.deepStrictEqual(Address.parseAddress(text), parsed);
  // The run's own values are left out; the old form still reads.
  assert.strictEqual(Address.formatAddress(own, own, 7, []), "#step=7");
  assert.strictEqual(Address.parseAddress("#step=12&bench").step, 12);
  assert.deepStrictEqual(Address.parseAddress("#rule=B9/S&weight=7&seed=-1&density=2&step=x").problems,
                         ["weight=7: a face weight is 1 to 6", "seed=-1: a seed is 0 to 2^64 - 1",
                          "density=2: a density is 0 to 1", "step=x: a step is a whole number"]);
  assert.deepStrictEqual(Address.parseAddress("#rule=B99/S").problems,
                         ["rule=B99/S: Rule count above 14: B99/S"]);
});

test("the view: fit, zoom about a point within bounds, pan", () => {
  // 246 x 146 picture units less 23 on every side: 200 x 100, as the canvas.
  const fit = Geometry.fittedView(246, 146, 24, 200, 100);
  assert.strictEqual(fit.zoom, 1);
  const zoomed = Geometry.zoomedView(fit, 50, 50, 2);
  assert.strictEqual(zoomed.zoom, 2);
  assert.strictEqual(zoomed.panX, 50 - (50 - fit.panX) * 2);  // the point under (50, 50) stays
  assert.strictEqual(Geometry.zoomedView(fit, 0, 0, 1e9).zoom, Geometry.MOST_ZOOM);
  assert.strictEqual(Geometry.zoomedView(fit, 0, 0, 1e-9).zoom, Geometry.LEAST_ZOOM_SHARE * fit.zoom);
  assert.deepStrictEqual(Geometry.pannedView(fit, 3, -4),
                         { zoom: 1, panX: fit.panX + 3, panY: fit.panY - 4, fitZoom: 1 });
});

function rasterOf(data, w, h, places) {
  const origin = Geometry.tileOrigins(data.placements, data.minX, data.minY, data.style.margin);
  const placed = Geometry.placeOrigins(places, origin, data.placements.orientation);
  return Geometry.rasterise(placed.origin, placed.orientation, Geometry.orientedShapes(data.base),
                            Geometry.fittedView(data.width, data.height, 24, w, h), w, h);
}

test("rasterising: pixels show their tiles, live ones over dead ones where tiles overlap", () => {
  const w = 120, h = 90;
  const data = runData(["--tiling", "spectre", "--depth", "2", "--steps", "0"]);
  const own = Geometry.ownPlaces(data.tiles), raster = rasterOf(data, w, h, own);
  assert.strictEqual(raster.layers, null, "the genuine tiling has no overlaps");
  const seen = new Set(raster.top);
  seen.delete(-1);
  assert.ok(seen.size > 0.9 * data.tiles, seen.size + " of " + data.tiles + " tiles show");
  // Quorvel's patch piles tiles up in fewer places, which overlap too.
  const q = runData(["--depth", "3", "--steps", "0"]);
  const places = Geometry.placesOf(q.placements);
  assert.strictEqual(places.count, 276, "the depth-3 patch: 559 tiles in 276 places");
  for (let id = 1; id < places.count; id++) assert.ok(places.last[id] > places.last[id - 1]);
  const qr = rasterOf(q, w, h, places);
  assert.notStrictEqual(qr.layers, null);
  const p = qr.layerStart.findIndex((s, k) => qr.layerStart[k + 1] - s >= 2);
  const lowPlace = qr.layers[qr.layerStart[p]], lowTile = places.members[places.start[lowPlace]];
  const born = new Int32Array(q.tiles).fill(-1), shown = new Int32Array(w * h);
  Geometry.shownTiles(qr, places, born, true, shown);
  assert.strictEqual(shown[p], places.last[qr.top[p]], "all dead: the last tile shows");
  born[lowTile] = 0;  // the first tile of the lowest place at pixel p comes alive
  Geometry.shownTiles(qr, places, born, true, shown);
  assert.strictEqual(shown[p], lowTile, "live on top");
  Geometry.shownTiles(qr, places, born, false, shown);
  assert.strictEqual(shown[p], places.last[qr.top[p]], "in tiling order");
});

test("the SVG snapshot is the program's picture", () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "quorvel-page-test-"));
  try {
    for (const options of [["--depth", "2", "--steps", "9", "--birth", "2"],
                           ["--tiling", "spectre", "--depth", "2", "--steps", "5"]]) {
      const svg = path.join(dir, "p.svg");
      execFileSync(VIEW, options.concat(["--svg", svg, "--html", ""]));
      const data = runData(options);
      const run = recordedRun(data);
      run.seek(data.steps);
      const shapes = Geometry.orientedShapes(data.base);
      const origin = Geometry.tileOrigins(data.placements, data.minX, data.minY, 24);
      const xy = new Float64Array(28);
      const text = Picture.svgText(data.tiles, t => {
        const shape = shapes[data.placements.orientation[t]].xy;
        for (let k = 0; k < 28; k += 2) {
          xy[k] = origin[2 * t] + shape[k];
          xy[k + 1] = origin[2 * t + 1] + shape[k + 1];
        }
        return xy;
      }, t => run.stepper.born[t] >= 0, data.width, data.height, data.style);
      assert.strictEqual(text, fs.readFileSync(svg, "utf8"), options.join(" "));
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test("the plot: columns keep each column's extremes, scales log or settled", () => {
  const { low, high } = Plot.columnsOf([10, 1, 2, 3, 9], 4, 3);
  assert.deepStrictEqual([Array.from(low), Array.from(high)], [[10, 1, 3], [10, 2, 9]]);
  assert.strictEqual(Plot.settledMost([1000, 5, 7, 6, 5, 4, 3, 2, 1, 1, 1]), 7);
  // A settled count close to the largest is still told apart from it on the log scale.
  const log = Plot.scaleOf([1000, 900, 0, 950], true);
  assert.deepStrictEqual([log.least, log.most, log.at(900), log.at(1000), log.at(0)], [900, 1000, 0, 1, 0]);
  assert.ok(log.at(950) > 0.4 && log.at(950) < 0.6);
  assert.strictEqual(Plot.scaleOf([7, 7], true).at(7), 0.5);
  assert.strictEqual(Plot.scaleOf([1000, 5, 10], false).at(10), 1);
});

test("the checksum refuses a changed byte, the decoders damaged data, each with its message", () => {
  const text = execFileSync(PAGE_DATA, ["--depth", "2", "--steps", "3"], { encoding: "utf8" }).trim();
  const sum = PageData.checksumOf(text);
  assert.strictEqual(PageData.readRunData(text, sum).tiles, 71);
  for (const at of [10, text.indexOf("placements") + 20, text.length - 5]) {
    const changed = text.slice(0, at) + (text[at] === "A" ? "B" : "A") + text.slice(at + 1);
    assert.throws(() => PageData.readRunData(changed, sum), { message: "Checksum mismatch in page data" });
  }
  const b64 = bytes => Buffer.from(bytes).toString("base64");
  const cases = [
    ["checkpoint naming tile 2 of 2", () => PageData.decodeCheckpoint(b64([0, 1, 2, 0]), 0, 2),
     "Tile index out of range in page data"],
    ["age older than the step", () => PageData.decodeCheckpoint(b64([0, 1, 0, 4]), 3, 2),
     "Age out of range in page data"],
    ["trailing bytes", () => PageData.decodeCheckpoint(b64([0, 0, 0]), 0, 2), "Trailing bytes in page data"],
    ["unknown checkpoint kind", () => PageData.decodeCheckpoint(b64([2, 0]), 0, 2),
     "Unknown checkpoint kind in page data"],
    ["bitmap too short", () => PageData.decodeCheckpoint(b64([1, 1]), 0, 2), "Truncated page data"],
    ["bitmap past the tiles", () => PageData.decodeCheckpoint(b64([1, 1, 4, 0]), 0, 2),
     "Tile index out of range in page data"],
    ["truncated number", () => PageData.decodePopulation(b64([0x80]), 0, 5), "Truncated page data"],
    ["live count above the tiles", () => PageData.decodePopulation(b64([12]), 0, 5),
     "Live count out of range in page data"],
    ["step graph out of range", () => PageData.decodeStepGraph(b64([1, 4 * 2]), 2, true),
     "Tile index out of range in page data"],
    ["step graph weight", () => PageData.decodeStepGraph(b64([1, 1, 13, 0]), 2, true),
     "Weight out of range in page data"],
    ["step graph repeats a tile", () => PageData.decodeStepGraph(b64([2, 2, 0, 0]), 2, true),
     "Repeated tile in page data"],
    ["orientation", () => PageData.decodePlacements(b64([24, 0, 0, 0, 0]), 1),
     "Orientation out of range in page data"],
    ["placements cut short", () => PageData.decodePlacements(b64([3, 0, 0]), 1), "Truncated page data"],
    ["not base64", () => PageData.bytesOf("%%%"), "Not base64 in page data"],
    ["unreadable JSON", () => PageData.readRunData("{", PageData.checksumOf("{")), "Unreadable page data"],
  ];
  for (const [what, decode, message] of cases) assert.throws(decode, { message }, what);
  // A symmetric step graph read back both ways: tiles 0-1 (weight 2) and 1-2.
  const graph = PageData.decodeStepGraph(b64([1, 2 * 1 + 1, 0, 1, 2, 0]), 3, true);
  assert.deepStrictEqual([Array.from(graph.start), Array.from(graph.tile), Array.from(graph.weight)],
                         [[0, 1, 3, 4], [1, 0, 2, 1], [2, 2, 1, 1]]);
});

test("a page as quorvel-view writes it carries its checksum and the run's colours", () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "quorvel-page-test-"));
  try {
    const page = path.join(dir, "page.html");
    execFileSync(VIEW, ["--depth", "3", "--steps", "200", "--birth", "2", "--seed", "9", "--html", page]);
    const html = fs.readFileSync(page, "utf8");
    assert.ok(!html.includes("/*quorvel:") && !html.includes("quorvel:checksum"), "markers filled");
    const match = /<script id="run" type="application\/json" data-checksum="([0-9a-f]{8})">([^<]*)<\/script>/.exec(html);
    const data = PageData.readRunData(match[2], match[1]);
    assert.strictEqual(data.style.margin, 24);
    assert.strictEqual(data.style.liveFill, "#96ff5f");
    assert.strictEqual(data.graphWeight, 6);
    const { byStep } = viewReport(["--depth", "3", "--steps", String(200 + PAST), "--birth", "2", "--seed", "9"]);
    const run = recordedRun(data);
    for (const s of [1, 57, 200, 200 + PAST, 3]) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), byStep.get(s));
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
