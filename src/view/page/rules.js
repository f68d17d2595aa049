"use strict";
// Life-like rules as sets: a dead tile is born when its live-face sum is in the birth set, a
// live one survives when its sum is in the survive set. Written as "B" and the birth counts,
// "/S" and the survive counts, each a comma-separated list of counts and dash ranges in
// ascending order ("B3/S2-3", "B2,5/S1,3-4", "B/S0"); the canonical text joins every run of
// consecutive counts into a range.
const Rules = (() => {
  const LARGEST_SUM = 14;  // a tile has 14 edges, so no sum is larger

  // Flags per sum 0..14 from "2,5-7" (or "" for none).
  function countsOf(text, whole) {
    const flags = new Uint8Array(LARGEST_SUM + 1);
    if (text === "") return flags;
    let previous = -1;
    for (const part of text.split(",")) {
      const match = /^(\d{1,2})(?:-(\d{1,2}))?$/.exec(part);
      if (!match) throw new Error("Unreadable rule: " + whole + " (expected e.g. B3/S2-3)");
      const low = Number(match[1]), high = match[2] === undefined ? low : Number(match[2]);
      if (high > LARGEST_SUM) throw new Error("Rule count above 14: " + whole);
      if (low <= previous || high < low) {
        throw new Error("Rule counts must ascend: " + whole);
      }
      for (let n = low; n <= high; n++) flags[n] = 1;
      previous = high;
    }
    return flags;
  }

  function parseRule(text) {
    const match = /^B([0-9,-]*)\/S([0-9,-]*)$/.exec(text);
    if (!match) throw new Error("Unreadable rule: " + text + " (expected e.g. B3/S2-3)");
    return { birth: countsOf(match[1], text), survive: countsOf(match[2], text) };
  }

  function countsText(flags) {
    const parts = [];
    for (let n = 0; n <= LARGEST_SUM; n++) {
      if (!flags[n]) continue;
      let high = n;
      while (high < LARGEST_SUM && flags[high + 1]) high++;
      parts.push(high > n ? n + "-" + high : String(n));
      n = high;
    }
    return parts.join(",");
  }

  function ruleText(rule) {
    return "B" + countsText(rule.birth) + "/S" + countsText(rule.survive);
  }

  // The rule of a birth count and a survive range, as the program's options give it.
  function ruleOfCounts(birth, surviveMin, surviveMax) {
    const rule = { birth: new Uint8Array(LARGEST_SUM + 1), survive: new Uint8Array(LARGEST_SUM + 1) };
    if (birth >= 0 && birth <= LARGEST_SUM) rule.birth[birth] = 1;
    for (let n = Math.max(0, surviveMin); n <= Math.min(surviveMax, LARGEST_SUM); n++) {
      rule.survive[n] = 1;
    }
    return rule;
  }

  // The rule a run's data names: its own text when it carries one, else its counts.
  function ruleOfRun(run) {
    return typeof run.rule === "string" ? parseRule(run.rule)
                                        : ruleOfCounts(run.birth, run.surviveMin, run.surviveMax);
  }

  return { LARGEST_SUM, parseRule, ruleText, ruleOfCounts, ruleOfRun };
})();
if (typeof module === "object" && module.exports) module.exports = Rules;
