"use strict";
// Reading the page's run data (written by the program's src/view/PageWriter.cpp, its encodings
// described in src/view/PageData.h): checked against its checksum, then every part decoded
// with its ranges checked, so that a damaged page says so instead of showing wrong figures.
const PageData = (() => {
  class DamagedData extends Error {}

  function bytesOf(base64) {
    let text;
    try {
      text = atob(base64);
    } catch (error) {
      throw new DamagedData("Not base64 in page data");
    }
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // Unsigned LEB128 varints; plain arithmetic keeps values above 2^31 exact.
  class Reader {
    constructor(bytes) { this.bytes = bytes; this.at = 0; }
    done() { return this.at >= this.bytes.length; }
    next() {
      const bytes = this.bytes;
      let byte = bytes[this.at++];
      if (byte < 128) return byte;  // the common case
      if (byte === undefined) throw new DamagedData("Truncated page data");
      let value = byte & 127, scale = 128;
      do {
        if (this.at >= bytes.length) throw new DamagedData("Truncated page data");
        byte = bytes[this.at++];
        value += (byte & 127) * scale;
        scale *= 128;
      } while (byte & 128);
      return value;
    }
    nextSigned() { return unzigzag(this.next()); }
    end() { if (!this.done()) throw new DamagedData("Trailing bytes in page data"); }
  }

  function unzigzag(v) { return v % 2 ? -(v + 1) / 2 : v / 2; }

  // FNV-1a, 32 bits, over the text's characters (the run data is ASCII).
  function checksumOf(text) {
    let hash = 0x811c9dc5;
    for (let i = 0; i < text.length; i++) {
      hash = Math.imul(hash ^ text.charCodeAt(i), 16777619);
    }
    return (hash >>> 0).toString(16).padStart(8, "0");
  }

  // Per tile its orientation (0..23) and its shift's four lattice coordinates.
  function decodePlacements(base64, tiles) {
    const reader = new Reader(bytesOf(base64));
    const orientation = new Uint8Array(tiles), shift = new Int32Array(4 * tiles);
    let c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (let t = 0; t < tiles; t++) {
      const o = reader.next();
      if (o >= 24) throw new DamagedData("Orientation out of range in page data");
      orientation[t] = o;
      c0 += reader.nextSigned();
      c1 += reader.nextSigned();
      c2 += reader.nextSigned();
      c3 += reader.nextSigned();
      if (Math.max(Math.abs(c0), Math.abs(c1), Math.abs(c2), Math.abs(c3)) >= 2 ** 30) {
        throw new DamagedData("Placement out of range in page data");
      }
      shift[4 * t] = c0; shift[4 * t + 1] = c1; shift[4 * t + 2] = c2; shift[4 * t + 3] = c3;
    }
    reader.end();
    return { orientation, shift };
  }

  // The tiles that count tile v are tile[start[v] .. start[v + 1]), each counting it with
  // weight[k] (1..14, not yet capped by a face weight).
  function decodeStepGraph(base64, tiles, symmetric) {
    const bytes = bytesOf(base64), reader = new Reader(bytes);
    // Every entry takes at least one byte, so the byte count bounds the entries written.
    const listed = new Int32Array(bytes.length), listedWeight = new Uint8Array(bytes.length);
    const listedStart = new Int32Array(tiles + 1);
    let entries = 0;
    for (let v = 0; v < tiles; v++) {
      const count = reader.next();
      let u = v;
      for (let k = 0; k < count; k++) {
        const value = reader.next(), gap = Math.floor(value / 2);
        u = k === 0 && !symmetric ? v + unzigzag(gap) : u + gap;
        if (k > 0 && gap === 0) throw new DamagedData("Repeated tile in page data");
        if (u < 0 || u >= tiles) throw new DamagedData("Tile index out of range in page data");
        const weight = value % 2 ? reader.next() + 2 : 1;
        if (weight > 14) throw new DamagedData("Weight out of range in page data");
        listed[entries] = u;
        listedWeight[entries++] = weight;
      }
      listedStart[v + 1] = entries;
    }
    reader.end();
    if (!symmetric) {
      return { start: listedStart, tile: listed.slice(0, entries),
               weight: listedWeight.slice(0, entries) };
    }
    // Each pair (v, u > v) counts both ways; a tile listed as its own dependant counts once.
    const count = new Int32Array(tiles + 1);
    for (let v = 0; v < tiles; v++) {
      for (let k = listedStart[v]; k < listedStart[v + 1]; k++) {
        count[v]++;
        if (listed[k] !== v) count[listed[k]]++;
      }
    }
    const start = new Int32Array(tiles + 1);
    for (let v = 0; v < tiles; v++) start[v + 1] = start[v] + count[v];
    const fill = start.slice(0, tiles), tile = new Int32Array(start[tiles]);
    const weight = new Uint8Array(start[tiles]);
    // Filled in ascending v, so every tile's list comes out ascending.
    for (let v = 0; v < tiles; v++) {
      for (let k = listedStart[v]; k < listedStart[v + 1]; k++) {
        const u = listed[k];
        if (u === v) continue;
        tile[fill[u]] = v; weight[fill[u]++] = listedWeight[k];
      }
      for (let k = listedStart[v]; k < listedStart[v + 1]; k++) {
        tile[fill[v]] = listed[k]; weight[fill[v]++] = listedWeight[k];
      }
    }
    return { start, tile, weight };
  }

  // Live tiles per step 0..steps, as a plain array so that it can grow past the run.
  function decodePopulation(base64, steps, tiles) {
    const reader = new Reader(bytesOf(base64)), population = [];
    let count = 0;
    for (let s = 0; s <= steps; s++) {
      count += reader.nextSigned();
      if (count < 0 || count > tiles) throw new DamagedData("Live count out of range in page data");
      population.push(count);
    }
    reader.end();
    return population;
  }

  // Birth step per tile (-1 for a dead tile) from a checkpoint taken at `step`: a tile of age a
  // at step s was born at step s - a + 1. The live tiles come as a list of gaps or as a bitmap.
  function decodeCheckpoint(base64, step, tiles) {
    const bytes = bytesOf(base64), reader = new Reader(bytes);
    const born = new Int32Array(tiles).fill(-1);
    const kind = reader.next(), count = reader.next();
    if (kind !== 0 && kind !== 1) throw new DamagedData("Unknown checkpoint kind in page data");
    const bitmapAt = reader.at;
    if (kind === 1) {
      reader.at += (tiles + 7) >> 3;
      if (reader.at > bytes.length) throw new DamagedData("Truncated page data");
    }
    let tile = -1;
    for (let k = 0; k < count; k++) {
      if (kind === 0) {
        tile += reader.next() + 1;
      } else {
        do tile++; while (tile < tiles && !((bytes[bitmapAt + (tile >> 3)] >> (tile & 7)) & 1));
      }
      if (tile >= tiles) throw new DamagedData("Tile index out of range in page data");
      const ageMinusOne = reader.next();
      if (ageMinusOne > step) throw new DamagedData("Age out of range in page data");
      born[tile] = step - ageMinusOne;
    }
    reader.end();
    return born;
  }

  function checkNumber(value, low, high, what) {
    if (!Number.isInteger(value) || value < low || value > high) {
      throw new DamagedData(what + " out of range in page data");
    }
  }

  // The run data from its text, checked: throws DamagedData with one line saying what is
  // wrong. The checkpoints stay encoded until they are needed.
  function readRunData(text, checksum) {
    if (checksumOf(text) !== checksum) throw new DamagedData("Checksum mismatch in page data");
    let run;
    try {
      run = JSON.parse(text);
    } catch (error) {
      throw new DamagedData("Unreadable page data");
    }
    checkNumber(run.tiles, 0, 2 ** 26, "Tile count");
    checkNumber(run.steps, 0, 2 ** 31 - 1, "Step count");
    checkNumber(run.faceWeight, 1, 6, "Face weight");
    checkNumber(run.graphWeight, run.faceWeight, 14, "Graph weight");
    if (!Array.isArray(run.base) || run.base.length !== 56) {
      throw new DamagedData("Base tile out of range in page data");
    }
    const checkpoints = run.checkpoints;
    if (!Array.isArray(checkpoints) || checkpoints.length === 0 || checkpoints[0][0] !== 0) {
      throw new DamagedData("Checkpoints out of range in page data");
    }
    for (let k = 1; k < checkpoints.length; k++) {
      if (!(checkpoints[k][0] > checkpoints[k - 1][0]) || checkpoints[k][0] > run.steps) {
        throw new DamagedData("Checkpoints out of range in page data");
      }
    }
    run.placements = decodePlacements(run.placements, run.tiles);
    run.stepGraph = decodeStepGraph(run.stepGraph, run.tiles, run.symmetric);
    run.population = decodePopulation(run.population, run.steps, run.tiles);
    return run;
  }

  return { DamagedData, bytesOf, Reader, unzigzag, checksumOf, decodePlacements,
           decodeStepGraph, decodePopulation, decodeCheckpoint, readRunData };
})();
if (typeof module === "object" && module.exports) module.exports = PageData;
