"use strict";
// The population plot's arithmetic: live counts folded into pixel columns (the smallest and
// largest count of each) and the two vertical scales, logarithmic between the smallest and the
// largest count, or linear up to the largest count of the settled part (after the first tenth of the steps, where the seeded population
// and its first collapse would flatten everything else).
const Plot = (() => {
  // Per column 0..columns-1, [low, high] of the counts of the steps it covers; steps 0..extent
  // span the columns.
  function columnsOf(population, extent, columns) {
    const low = new Float64Array(columns).fill(Infinity), high = new Float64Array(columns).fill(-1);
    for (let s = 0; s < population.length; s++) {
      const c = extent > 0 ? Math.min(columns - 1, Math.floor(s / extent * (columns - 1) + 0.5)) : 0;
      low[c] = Math.min(low[c], population[s]);
      high[c] = Math.max(high[c], population[s]);
    }
    return { low, high };
  }

  function settledMost(population) {
    let most = 1;
    for (let s = Math.floor((population.length - 1) / 10) + 1; s < population.length; s++) {
      most = Math.max(most, population[s]);
    }
    if (population.length === 1) most = Math.max(1, population[0]);
    return most;
  }

  // Maps a count to 0 (bottom) .. 1 (top): logarithmic from the smallest count above 0 to the
  // largest, or linear from 0 to the settled part's largest.
  function scaleOf(population, logarithmic) {
    if (logarithmic) {
      let least = Infinity, most = 1;
      for (const n of population) {
        if (n > 0) least = Math.min(least, n);
        most = Math.max(most, n);
      }
      least = Math.min(least, most);
      const span = Math.log(most / least);
      return { least, most, at: n => (n <= 0 ? 0 : span > 0 ? Math.log(n / least) / span : 0.5) };
    }
    const most = settledMost(population);
    return { least: 0, most, at: n => Math.min(n, most) / most };
  }

  return { columnsOf, settledMost, scaleOf };
})();
if (typeof module === "object" && module.exports) module.exports = Plot;
