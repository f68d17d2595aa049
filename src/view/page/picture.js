"use strict";
// Colours: the program's (background, live and dead fill and stroke, from the run data's
// style, which the SVG writer shares), ages shaded from the live colour to orange on a
// logarithmic scale, frames coloured from the tile each pixel shows, and the SVG snapshot in
// the program's own format.
const Picture = (() => {
  const OLD_FILL = [255, 150, 60], OLD_STROKE = [255, 214, 170];
  const AGE_LEVELS = 64, AGE_CAP = 256;  // ages at or above AGE_CAP get the oldest colour

  function rgbOf(text) { return [1, 3, 5].map(i => parseInt(text.substr(i, 2), 16)); }
  function hexOf(rgb) { return "#" + rgb.map(c => c.toString(16).padStart(2, "0")).join(""); }
  function mix(from, to, t) { return from.map((c, i) => Math.round(c + (to[i] - c) * t)); }

  // Age 1 is level 0, AGE_CAP and older the last level.
  function ageLevel(age) {
    return Math.min(AGE_LEVELS - 1,
                    Math.floor(Math.log(age) / Math.log(AGE_CAP) * (AGE_LEVELS - 1)));
  }

  // Little-endian RGBA words as an ImageData's Uint32Array takes them.
  function word([r, g, b]) { return (255 << 24 | b << 16 | g << 8 | r) >>> 0; }

  // Fill and stroke words per age 0..AGE_CAP (0: dead), with and without age colours.
  function paletteOf(style) {
    const live = rgbOf(style.liveFill), liveStroke = rgbOf(style.liveStroke);
    const levelFill = [], levelStroke = [];
    for (let level = 0; level < AGE_LEVELS; level++) {
      const t = level / (AGE_LEVELS - 1);
      levelFill.push(mix(live, OLD_FILL, t));
      levelStroke.push(mix(liveStroke, OLD_STROKE, t));
    }
    const byAge = { fill: new Uint32Array(AGE_CAP + 1), stroke: new Uint32Array(AGE_CAP + 1) };
    const plain = { fill: new Uint32Array(AGE_CAP + 1), stroke: new Uint32Array(AGE_CAP + 1) };
    for (let age = 0; age <= AGE_CAP; age++) {
      const dead = age === 0;
      byAge.fill[age] = word(dead ? rgbOf(style.deadFill) : levelFill[ageLevel(age)]);
      byAge.stroke[age] = word(dead ? rgbOf(style.deadStroke) : levelStroke[ageLevel(age)]);
      plain.fill[age] = word(dead ? rgbOf(style.deadFill) : live);
      plain.stroke[age] = word(dead ? rgbOf(style.deadStroke) : liveStroke);
    }
    return { byAge, plain, background: word(rgbOf(style.background)),
             levelFill: levelFill.map(hexOf) };
  }

  // Colours a frame: each pixel in its tile's fill, and with outlines the pixels where the
  // tile shown changes from the pixel to its left or above in the tile's stroke.
  function colourFrame(shown, w, h, born, step, colours, background, outlined, pixels) {
    const { fill, stroke } = colours, cap = fill.length - 1;
    for (let p = 0; p < shown.length; p++) {
      const t = shown[p];
      if (t < 0) { pixels[p] = background; continue; }
      const b = born[t], age = b < 0 ? 0 : Math.min(cap, step - b + 1);
      const edge = outlined && ((p % w > 0 && shown[p - 1] !== t) || (p >= w && shown[p - w] !== t));
      pixels[p] = edge ? stroke[age] : fill[age];
    }
  }

  // The program's number formats: general with 6 significant digits (the stream default)
  // and fixed with 4 decimals.
  function generalText(x) {
    if (x === 0) return "0";
    const exponent = Math.floor(Math.log10(Math.abs(Number(x.toPrecision(6)))));
    if (exponent < -4 || exponent >= 6) {
      const [mantissa, power] = x.toExponential(5).split("e");
      const digits = mantissa.replace(/\.?0+$/, "");
      const p = Number(power);
      return digits + "e" + (p < 0 ? "-" : "+") + String(Math.abs(p)).padStart(2, "0");
    }
    return x.toFixed(Math.max(0, 5 - exponent)).replace(/(\.\d*?)0+$/, "$1").replace(/\.$/, "");
  }

  // The SVG snapshot of a state as the program writes it: outlines(t) gives tile t's points
  // as [x0, y0, ...] in picture units, width and height the picture's size.
  function svgText(tiles, outlines, alive, width, height, style) {
    const parts = ['<svg xmlns="' + style.svgNamespace + '" viewBox="0 0 ' + generalText(width) +
                   " " + generalText(height) + '" width="' + generalText(width) + '" height="' +
                   generalText(height) + '">\n',
                   '<rect width="100%" height="100%" fill="' + style.background + '"/>\n'];
    for (let t = 0; t < tiles; t++) {
      const xy = outlines(t);
      let points = "";
      for (let k = 0; k < xy.length; k += 2) points += xy[k].toFixed(4) + "," + xy[k + 1].toFixed(4) + " ";
      const live = alive(t);
      parts.push('<polygon points="' + points + '" fill="' + (live ? style.liveFill : style.deadFill) +
                 '" stroke="' + (live ? style.liveStroke : style.deadStroke) + '" stroke-width="' +
                 style.strokeWidth + '"/>\n');
    }
    parts.push("</svg>\n");
    return parts.join("");
  }

  return { AGE_LEVELS, AGE_CAP, ageLevel, paletteOf, colourFrame, generalText, svgText };
})();
if (typeof module === "object" && module.exports) module.exports = Picture;
