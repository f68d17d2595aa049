"use strict";
// The program's automaton in the page: seeding, the update rule with ages, the page's history
// of states (checkpoints) and the exact period of what it has stepped.
const Automaton = (() => {
  const Data = typeof PageData !== "undefined" ? PageData : require("./pageData.js");

  // ---- Seeding: the program's per-tile uniform numbers, in 64-bit unsigned arithmetic
  // carried as two 32-bit halves [high, low].
  function mulHigh32(a, b) {
    const a0 = a & 0xffff, a1 = a >>> 16, b0 = b & 0xffff, b1 = b >>> 16;
    const middle = a1 * b0 + a0 * b1 + ((a0 * b0) >>> 16);
    return (a1 * b1 + Math.floor(middle / 65536)) >>> 0;
  }
  function mul64(h, l, ch, cl) {
    return [(mulHigh32(l, cl) + Math.imul(l, ch) + Math.imul(h, cl)) >>> 0, Math.imul(l, cl) >>> 0];
  }
  function xorShift(h, l, k) {  // z ^ (z >> k), 0 < k < 32
    return [(h ^ (h >>> k)) >>> 0, (l ^ ((l >>> k) | (h << (32 - k)))) >>> 0];
  }
  function halvesOf(seedText) {
    if (!/^\d{1,20}$/.test(seedText) || BigInt(seedText) >= 2n ** 64n) {
      throw new Error("Seed out of range: " + seedText);
    }
    const seed = BigInt(seedText);
    return [Number(seed >> 32n), Number(seed & 0xffffffffn)];
  }

  // The uniform number of tile j for the seed given as [high, low].
  function tileUniform(j, seed) {
    const product = j * 7919;  // below 2^53, exact
    let l = (product % 4294967296) + seed[1] + 0x7f4a7c15;
    let h = Math.floor(product / 4294967296) + seed[0] + 0x9e3779b9 + Math.floor(l / 4294967296);
    l >>>= 0; h >>>= 0;
    [h, l] = xorShift(h, l, 30);
    [h, l] = mul64(h, l, 0xbf58476d, 0x1ce4e5b9);
    [h, l] = xorShift(h, l, 27);
    [h, l] = mul64(h, l, 0x94d049bb, 0x133111eb);
    [h, l] = xorShift(h, l, 31);
    return (h * 2097152 + (l >>> 11)) * 2 ** -53;
  }

  // Birth steps (0 for live tiles, -1 for dead ones) of the seeded population.
  function seededBorn(tiles, seedText, density) {
    const seed = halvesOf(seedText), born = new Int32Array(tiles);
    for (let j = 0; j < tiles; j++) born[j] = density > tileUniform(j, seed) ? 0 : -1;
    return born;
  }

  // Two 32-bit hashes of a tile index; a live set's hash is the XOR over its tiles.
  function tileHash(t, salt) {
    let x = Math.imul(t + salt, 0x9e3779b1);
    x = Math.imul(x ^ (x >>> 15), 0x85ebca6b);
    x = Math.imul(x ^ (x >>> 13), 0xc2b2ae35);
    return x ^ (x >>> 16);
  }

  // ---- The update rule. Only tiles whose state or live-face sum moved in the last step can
  // flip, so only those are decided; sums are kept by adding or taking away a flipped tile's
  // capped weights.
  class Stepper {
    // graph: the dependants (decodeStepGraph); rule: {birth, survive} flags per sum.
    constructor(tiles, graph, rule, faceWeight) {
      this.tiles = tiles;
      this.graph = graph;
      this.step = 0;
      this.liveCount = 0;
      this.hashA = 0;
      this.hashB = 0;
      this.born = new Int32Array(tiles).fill(-1);
      this.sum = new Int32Array(tiles);
      this.candidates = new Int32Array((tiles + 31) >> 5);
      this.changed = new Int32Array(tiles);
      this.setRule(rule, faceWeight);
    }

    // Takes effect from the next load.
    setRule(rule, faceWeight) {
      this.rule = rule;
      this.faceWeight = faceWeight;
      const weight = this.graph.weight, capped = new Uint8Array(weight.length);
      for (let k = 0; k < weight.length; k++) capped[k] = Math.min(weight[k], faceWeight);
      this.weight = capped;
      // Bit (alive * 16 + sum) is set when such a tile flips.
      let flips = 0;
      for (let s = 0; s <= 14; s++) {
        if (rule.birth[s]) flips |= 1 << s;
        if (!rule.survive[s]) flips |= 1 << (16 + s);
      }
      this.flipMask = flips;
    }

    // The state of `step`: birth steps as decodeCheckpoint gives them (copied).
    load(step, born) {
      const { start, tile } = this.graph, weight = this.weight;
      this.step = step;
      this.born.set(born);
      this.sum.fill(0);
      let live = 0, a = 0, b = 0;
      for (let v = 0; v < this.tiles; v++) {
        if (born[v] < 0) continue;
        live++;
        a ^= tileHash(v, 1);
        b ^= tileHash(v, 7);
        for (let k = start[v]; k < start[v + 1]; k++) this.sum[tile[k]] += weight[k];
      }
      this.liveCount = live;
      this.hashA = a;
      this.hashB = b;
      this.candidates.fill(-1);
    }

    advance() {
      const { start, tile } = this.graph, weight = this.weight, mask = this.flipMask;
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
          if ((mask >>> ((born[t] >= 0 ? 16 : 0) + sum[t])) & 1) changed[flips++] = t;
        }
      }
      const step = ++this.step;
      let live = this.liveCount, a = this.hashA, b = this.hashB;
      for (let f = 0; f < flips; f++) {
        const t = changed[f], sign = born[t] < 0 ? 1 : -1;
        born[t] = sign > 0 ? step : -1;
        live += sign;
        a ^= tileHash(t, 1);
        b ^= tileHash(t, 7);
        candidates[t >> 5] |= 1 << (t & 31);
        const end = start[t + 1];
        for (let k = start[t]; k < end; k++) {
          const u = tile[k];
          sum[u] += sign * weight[k];
          candidates[u >> 5] |= 1 << (u & 31);
        }
      }
      this.liveCount = live;
      this.hashA = a;
      this.hashB = b;
      return flips;
    }

    age(t) { return this.born[t] < 0 ? 0 : this.step - this.born[t] + 1; }

    maxAge() {
      let oldest = -1;
      const born = this.born;
      for (let t = 0; t < this.tiles; t++) {
        const b = born[t];
        if (b >= 0 && (oldest < 0 || b < oldest)) oldest = b;
      }
      return oldest < 0 ? 0 : this.step - oldest + 1;
    }
  }

  // The program's step line, without its newline.
  function statusLine(step, liveCount, maxAge) {
    return "step=" + step + " alive=" + liveCount + " max_age=" + maxAge;
  }

  // The program's period line.
  function periodLine(period) {
    return period ? "period=" + period.length + " from_step=" + period.fromStep : "period=none";
  }

  // Index of the last checkpoint at or before `step` (checkpoints ascend by step).
  function checkpointBefore(checkpoints, step) {
    let low = 0, high = checkpoints.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (checkpoints[middle][0] <= step) low = middle; else high = middle - 1;
    }
    return low;
  }

  // A history of states from an origin: either the recorded run (its checkpoints encoded, its
  // live counts and period given) or one the page started itself (a reseeded or drawn state),
  // whose period the page finds: a step whose live set hashes like an earlier step's is
  // compared with that step, re-stepped from a checkpoint, tile by tile; a hash alone is
  // never taken for a repeat.
  class Run {
    // source: {origin, born} for a state of the page's own, or {recorded: runData}.
    constructor(tiles, graph, rule, faceWeight, source) {
      this.tiles = tiles;
      this.stepper = new Stepper(tiles, graph, rule, faceWeight);
      this.extra = [];
      this.extraEvery = Run.EXTRA_EVERY;
      // A checkpoint of the page's own costs 4 bytes a tile: at depth 7 (two million tiles)
      // a hundred of them would take most of a gigabyte, so they share a budget.
      this.mostExtra = Math.max(4, Math.min(Run.MOST_EXTRA,
                                            Math.floor(Run.EXTRA_BYTES / (4 * Math.max(1, tiles)))));
      if (source.recorded) {
        const data = source.recorded;
        this.recorded = data.checkpoints;
        this.origin = 0;
        this.population = data.population.slice();
        this.period = data.period > 0 ? { length: data.period, fromStep: data.periodFrom } : null;
        this.seeking = false;  // the program's own period holds
      } else {
        this.recorded = [];
        this.origin = source.origin;
        this.population = (source.before || []).slice(0, source.origin);
        this.extra.push([source.origin, Int32Array.from(source.born)]);
        this.period = null;
        this.seeking = true;
        this.hashes = new Map();
      }
      this.load(0);
      if (!source.recorded) {
        this.population.push(this.stepper.liveCount);
        this.noteHash();
      }
    }

    checkpoints() { return this.recorded.concat(this.extra); }

    load(index) {
      const recorded = this.recorded;
      if (index < recorded.length) {
        const [step, base64] = recorded[index];
        this.stepper.load(step, Data.decodeCheckpoint(base64, step, this.tiles));
      } else {
        const [step, born] = this.extra[index - recorded.length];
        this.stepper.load(step, born);
      }
    }

    // The furthest step reached.
    last() { return this.population.length - 1; }

    // Moves to `target` (not before the origin), from the current state when that is at or
    // after the nearest checkpoint, else from the checkpoint. Steps past the furthest one
    // reached extend the live counts.
    seek(target) {
      target = Math.max(target, this.origin);
      const all = this.checkpoints();
      const index = checkpointBefore(all, target);
      const stepper = this.stepper;
      if (target < stepper.step || all[index][0] > stepper.step) this.load(index);
      while (stepper.step < target) {
        stepper.advance();
        const step = stepper.step;
        if (step === this.population.length) {
          this.population.push(stepper.liveCount);
          if (step % this.extraEvery === 0) this.keepExtra(step);
          if (this.seeking) this.noteHash();
        }
      }
    }

    keepExtra(step) {
      this.extra.push([step, Int32Array.from(this.stepper.born)]);
      if (this.extra.length > this.mostExtra) {
        this.extraEvery *= 2;
        const origin = this.origin;
        this.extra = this.extra.filter(([at]) => at === origin || at % this.extraEvery === 0);
      }
    }

    // The stepper is at the furthest step: records its live set's hash, and on a match with
    // an earlier step confirms the repeat tile by tile.
    noteHash() {
      const stepper = this.stepper, key = stepper.hashA + ":" + stepper.hashB + ":" +
                                          stepper.liveCount;
      const earlier = this.hashes.get(key);
      if (earlier) {
        for (const step of earlier) {
          if (this.sameLiveSet(step)) {
            this.period = { length: stepper.step - step, fromStep: stepper.step };
            this.seeking = false;
            this.hashes = null;
            return;
          }
        }
        earlier.push(stepper.step);
      } else {
        this.hashes.set(key, [stepper.step]);
      }
    }

    sameLiveSet(step) {
      const all = this.checkpoints(), [at, born] = all[checkpointBefore(all, step)];
      const other = new Stepper(this.tiles, this.stepper.graph, this.stepper.rule,
                                this.stepper.faceWeight);
      other.load(at, born);
      while (other.step < step) other.advance();
      const mine = this.stepper.born, theirs = other.born;
      for (let t = 0; t < this.tiles; t++) if ((mine[t] >= 0) !== (theirs[t] >= 0)) return false;
      return true;
    }

    statusLine() {
      return statusLine(this.stepper.step, this.stepper.liveCount, this.stepper.maxAge());
    }
  }
  Run.EXTRA_EVERY = 100;
  Run.MOST_EXTRA = 100;
  Run.EXTRA_BYTES = 64 * 1024 * 1024;

  return { tileUniform, halvesOf, seededBorn, Stepper, statusLine, periodLine, checkpointBefore,
           Run };
})();
if (typeof module === "object" && module.exports) module.exports = Automaton;
