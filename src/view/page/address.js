"use strict";
// The page's address: everything that is not a drawing, so that a link reproduces the view.
// "#rule=B2/S2-4&weight=2&seed=5&density=0.3&step=40", every key optional (the run's own value
// where one is left out), and flags without a value (plain, under, bench) kept as they are.
const Address = (() => {
  const R = typeof Rules !== "undefined" ? Rules : require("./rules.js");
  const KEYS = ["rule", "weight", "seed", "density", "step"];

  // {settings: {rule, weight, seed, density} each as given or absent, step, flags, problems}:
  // a value that cannot be read is left out and named in `problems`.
  function parseAddress(hash) {
    const result = { settings: {}, step: 0, flags: [], problems: [] };
    const text = hash.startsWith("#") ? hash.slice(1) : hash;
    for (const part of text.split("&")) {
      if (part === "") continue;
      const at = part.indexOf("=");
      if (at < 0) { result.flags.push(part); continue; }
      const key = part.slice(0, at);
      let value;
      try {
        value = decodeURIComponent(part.slice(at + 1));
      } catch (error) {
        result.problems.push(key + ": unreadable");
        continue;
      }
      const problem = readValue(result, key, value);
      if (problem) result.problems.push(key + "=" + value + ": " + problem);
    }
    return result;
  }

  function readValue(result, key, value) {
    switch (key) {
      case "rule":
        try {
          result.settings.rule = R.ruleText(R.parseRule(value));
        } catch (error) {
          return error.message;
        }
        return null;
      case "weight":
        if (!/^[1-6]$/.test(value)) return "a face weight is 1 to 6";
        result.settings.weight = Number(value);
        return null;
      case "seed":
        if (!/^\d{1,20}$/.test(value) || BigInt(value) >= 2n ** 64n) return "a seed is 0 to 2^64 - 1";
        result.settings.seed = String(BigInt(value));
        return null;
      case "density": {
        const density = Number(value);
        if (value === "" || !(density >= 0 && density <= 1)) return "a density is 0 to 1";
        result.settings.density = density;
        return null;
      }
      case "step":
        if (!/^\d{1,15}$/.test(value)) return "a step is a whole number";
        result.step = Number(value);
        return null;
      default:
        return "unknown key";
    }
  }

  // The address of a view: the settings that differ from the run's own, the step, the flags.
  function formatAddress(settings, own, step, flags) {
    const parts = [];
    for (const key of KEYS.slice(0, 4)) {
      if (settings[key] !== undefined && settings[key] !== own[key]) {
        parts.push(key + "=" + encodeURIComponent(String(settings[key])).replace(/%2F/g, "/")
                                                                     .replace(/%2C/g, ","));
      }
    }
    parts.push("step=" + step);
    return "#" + parts.concat(flags).join("&");
  }

  return { parseAddress, formatAddress };
})();
if (typeof module === "object" && module.exports) module.exports = Address;
