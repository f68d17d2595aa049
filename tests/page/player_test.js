"use strict";
// The viewer page's pure functions (src/view/page/player.js) without a browser: the page's
// stepping against the programs themselves on small real tilings, across rules, face weights
// and seeds; births, deaths and ages tile by tile against a checkpoint of every step; the
// status line against quorvel's step lines, within the run and past it; and the decoders'
// refusals of damaged data.
const test = require("node:test");
const assert = require("node:assert");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");

const player = require(process.env.QUORVEL_PLAYER_JS ||
                       path.join(__dirname, "../../src/view/page/player.js"));
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
];

function stepLines(options) {
  const lines = execFileSync(QUORVEL, options, { encoding: "utf8" }).split("\n");
  const byStep = new Map();
  for (const line of lines) {
    const match = /^step=(\d+) /.exec(line);
    if (match) byStep.set(Number(match[1]), line);
  }
  return byStep;
}

function withSteps(options, steps) {
  const copy = options.slice(), at = copy.indexOf("--steps");
  copy[at + 1] = String(steps);
  return copy;
}

function runData(options) {
  return JSON.parse(execFileSync(PAGE_DATA, options, { encoding: "utf8" }));
}

for (const options of RUNS) {
  test("page steps like the program: " + options.join(" "), () => {
    const data = runData(options);
    const steps = data.steps;
    assert.strictEqual(data.checkpoints.length, steps + 1, "a checkpoint at every step");
    const lines = stepLines(withSteps(options, steps + PAST));
    const run = new player.Run(data);
    const stepper = run.stepper;

    // Forward from step 0 alone: every tile's state and age equals the program's checkpoint.
    for (let s = 0; s <= steps; s++) {
      run.seek(s);
      assert.strictEqual(stepper.step, s);
      const [at, base64] = data.checkpoints[s];
      assert.strictEqual(at, s);
      const expected = player.decodeCheckpoint(base64, s, data.tiles);
      assert.deepStrictEqual(stepper.born, expected, "birth steps at step " + s);
      assert.strictEqual(stepper.liveCount, run.population[s], "live count at step " + s);
      if (s > 0) assert.strictEqual(run.statusLine(), lines.get(s));
    }
    // Past the recorded run, the page goes on stepping as quorvel does.
    for (let s = steps + 1; s <= steps + PAST; s++) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), lines.get(s));
      assert.strictEqual(run.population.length, s + 1);
    }
    // Jumping back and forth, from any checkpoint.
    for (const s of [steps, 1, Math.floor(steps / 2), steps + PAST, 2, steps - 1]) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), lines.get(s), "after a jump to " + s);
    }
  });
}

test("a page as quorvel-view writes it: sparse checkpoints, status at every step", () => {
  const options = ["--depth", "3", "--steps", "200", "--birth", "2", "--seed", "9"];
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "quorvel-page-test-"));
  try {
    const page = path.join(dir, "page.html");
    execFileSync(VIEW, options.concat(["--html", page]));
    const html = fs.readFileSync(page, "utf8");
    const start = html.indexOf("const RUN = ") + "const RUN = ".length;
    const data = JSON.parse(html.slice(start, html.indexOf(";\n</script>", start)));
    assert.ok(!html.includes("/*quorvel:"), "every marker is filled in");
    const lines = stepLines(withSteps(options, 200 + PAST));
    const run = new player.Run(data);
    for (let s = 1; s <= 200 + PAST; s++) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), lines.get(s));
    }
    for (let s = 200; s >= 1; s -= 37) {
      run.seek(s);
      assert.strictEqual(run.statusLine(), lines.get(s));
    }
    assert.strictEqual(data.style.margin, 24);
    assert.strictEqual(data.style.liveFill, "#96ff5f");
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test("far past the run, the page keeps a bounded number of its own checkpoints", () => {
  const options = ["--depth", "2", "--steps", "5", "--birth", "2"];
  const data = runData(options);
  const far = 5 + 150 * 100;
  const lines = stepLines(withSteps(options, far));
  const run = new player.Run(data);
  run.seek(far);
  assert.strictEqual(run.statusLine(), lines.get(far));
  assert.ok(run.extra.length <= 100, run.extra.length + " checkpoints of the page's own");
  for (const [step] of run.extra) assert.strictEqual(step % run.extraEvery, 0);
  for (const s of [far - 1, 7777, 6]) {
    run.seek(s);
    assert.strictEqual(run.statusLine(), lines.get(s), "back to step " + s);
  }
});

test("the status line reads as the program's step line", () => {
  assert.strictEqual(player.statusLine(0, 0, 0), "step=0 alive=0 max_age=0");
  assert.strictEqual(player.statusLine(2147483647, 34649, 4294967295),
                     "step=2147483647 alive=34649 max_age=4294967295");
});

test("ages: newborns are 1, survivors grow, the dead are 0", () => {
  // Three tiles in a row, each counting its neighbours with weight 1; B1/S1-1.
  const adjacency = player.decodeAdjacency(Buffer.from([1, 2 * 8, 2, 1 * 8, 2 * 8, 1, 1 * 8])
                                               .toString("base64"), 3);
  assert.deepStrictEqual(Array.from(adjacency.start), [0, 1, 3, 4]);
  assert.deepStrictEqual(Array.from(adjacency.tile), [1, 0, 2, 1]);
  const stepper = new player.Stepper(3, adjacency, { birth: 1, surviveMin: 1, surviveMax: 1 });
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
    assert.strictEqual(player.checkpointBefore(checkpoints, step), index, "step " + step);
  }
});

test("damaged data is refused", () => {
  const b64 = bytes => Buffer.from(bytes).toString("base64");
  const cases = [
    ["checkpoint naming tile 2 of 2", () => player.decodeCheckpoint(b64([0, 1, 2, 0]), 0, 2)],
    ["age older than the step", () => player.decodeCheckpoint(b64([0, 1, 0, 4]), 3, 2)],
    ["trailing bytes", () => player.decodeCheckpoint(b64([0, 0, 0]), 0, 2)],
    ["unknown checkpoint kind", () => player.decodeCheckpoint(b64([2, 0]), 0, 2)],
    ["bitmap too short", () => player.decodeCheckpoint(b64([1, 1]), 0, 2)],
    ["bitmap with too few tiles", () => player.decodeCheckpoint(b64([1, 2, 1, 0, 0]), 0, 2)],
    ["bitmap past the tiles", () => player.decodeCheckpoint(b64([1, 1, 4, 0]), 0, 2)],
    ["truncated number", () => player.decodePopulation(b64([0x80]), 0)],
    ["adjacency out of range", () => player.decodeAdjacency(b64([1, 4 * 8, 0]), 2)],
    ["geometry reference ahead", () => player.decodeGeometry(b64([1]), 1, 1000)],
  ];
  for (const [what, decode] of cases) {
    assert.throws(decode, Error, what);
  }
});

test("geometry: points in picture units, coincident tiles share their corners", () => {
  // Tile 0: two points (1000, 2000) and (-1000, 2000) in thousandths; tile 1 the same as tile 0.
  const zig = v => (v < 0 ? -2 * v - 1 : 2 * v);
  const bytes = [0, 2, zig(1000) & 127 | 128, zig(1000) >> 7, zig(2000) & 127 | 128, zig(2000) >> 7,
                 zig(-2000) & 127 | 128, zig(-2000) >> 7, 0, 1];
  const corners = player.decodeGeometry(Buffer.from(bytes).toString("base64"), 2, 1000);
  assert.deepStrictEqual(Array.from(corners[0]), [1, 2, -1, 2]);
  assert.strictEqual(corners[1], corners[0]);
});
