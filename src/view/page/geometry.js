"use strict";
// Where the tiles are and which pixel shows which tile. A tile is its placement (orientation
// and lattice shift); its outline is the base tile's, turned and mirrored, moved by the shift.
// Points are in picture units (the SVG picture's frame: the patch shifted so that its smallest
// x and y sit a margin in). The view maps them to canvas pixels: pixel = point * zoom + pan.
const Geometry = (() => {
  const ROOT3_HALF = Math.sqrt(3) / 2;

  // The lattice point c0 + c1 z + c2 z^2 + c3 z^3, z the unit vector at 30 degrees.
  function latticeX(c0, c1, c2) { return c0 + c1 * ROOT3_HALF + c2 * 0.5; }
  function latticeY(c1, c2, c3) { return c1 * 0.5 + c2 * ROOT3_HALF + c3; }

  // Exact turns and mirrors, as the program's lattice does them: z p, and x -> -x.
  function turnedOnce([c0, c1, c2, c3]) { return [-c3, c0, c1 + c3, c2]; }
  function mirrored([c0, c1, c2, c3]) { return [-c0 - c2, -c1, c2, c1 + c3]; }

  // The exact outline of orientation o (turn + 12 * mirror) from the base tile's 14 points
  // (56 integers): mirror first, then turn.
  function orientedOutline(base, o) {
    const points = [];
    for (let j = 0; j < base.length; j += 4) {
      let p = base.slice(j, j + 4);
      if (o >= 12) p = mirrored(p);
      for (let k = 0; k < o % 12; k++) p = turnedOnce(p);
      points.push(p);
    }
    return points;
  }

  // Per orientation, the outline relative to the shift as [x0, y0, x1, y1, ...] and its
  // bounds [minX, minY, maxX, maxY].
  function orientedShapes(base) {
    const shapes = [];
    for (let o = 0; o < 24; o++) {
      const xy = new Float64Array(28), box = [Infinity, Infinity, -Infinity, -Infinity];
      orientedOutline(base, o).forEach(([c0, c1, c2, c3], j) => {
        const x = latticeX(c0, c1, c2), y = latticeY(c1, c2, c3);
        xy[2 * j] = x; xy[2 * j + 1] = y;
        box[0] = Math.min(box[0], x); box[1] = Math.min(box[1], y);
        box[2] = Math.max(box[2], x); box[3] = Math.max(box[3], y);
      });
      shapes.push({ xy, box });
    }
    return shapes;
  }

  // Every tile's shift in picture units.
  function tileOrigins(placements, minX, minY, margin) {
    const shift = placements.shift, tiles = placements.orientation.length;
    const origin = new Float64Array(2 * tiles);
    for (let t = 0; t < tiles; t++) {
      const c = 4 * t;
      origin[2 * t] = latticeX(shift[c], shift[c + 1], shift[c + 2]) - minX + margin;
      origin[2 * t + 1] = latticeY(shift[c + 1], shift[c + 2], shift[c + 3]) - minY + margin;
    }
    return origin;
  }

  // ---- The view
  const LEAST_ZOOM_SHARE = 0.05, MOST_ZOOM = 400;  // bounds: a twentieth of the fit, 400 px/unit

  // The view that fits the patch (width x height picture units, less most of the margin)
  // into a canvas of w x h pixels.
  function fittedView(width, height, margin, w, h) {
    const edge = margin - 1, pw = width - 2 * edge, ph = height - 2 * edge;
    const zoom = Math.min(w / pw, h / ph);
    return { zoom, panX: (w - pw * zoom) / 2 - edge * zoom, panY: (h - ph * zoom) / 2 - edge * zoom,
             fitZoom: zoom };
  }

  // The view zoomed by `factor` about the pixel (x, y), the zoom kept within its bounds.
  function zoomedView(view, x, y, factor) {
    const zoom = Math.min(MOST_ZOOM, Math.max(view.fitZoom * LEAST_ZOOM_SHARE, view.zoom * factor));
    const applied = zoom / view.zoom;
    return { zoom, panX: x - (x - view.panX) * applied, panY: y - (y - view.panY) * applied,
             fitZoom: view.fitZoom };
  }

  function pannedView(view, dx, dy) {
    return { zoom: view.zoom, panX: view.panX + dx, panY: view.panY + dy, fitZoom: view.fitZoom };
  }

  // ---- Rasterising: which tile covers each pixel's centre. `top` holds the last tile in
  // Tiling order (-1 for none). Where tiles overlap (quorvel's patch), `layers` lists every
  // covering tile per pixel in Tiling order (CSR: layerStart per pixel), so that live tiles
  // can be shown over dead ones; it is null when no pixel has two.
  function rasterise(origin, orientation, shapes, view, w, h) {
    const tiles = orientation.length, top = new Int32Array(w * h).fill(-1);
    const depth = new Uint16Array(w * h);
    const { zoom, panX, panY } = view;
    const px = new Float64Array(14), py = new Float64Array(14), cross = new Float64Array(14);
    let overlapping = false;

    // Calls cover(pixel) for every pixel centre inside tile t.
    function scan(t, cover) {
      const shape = shapes[orientation[t]], ox = origin[2 * t], oy = origin[2 * t + 1];
      const box = shape.box;
      const left = (ox + box[0]) * zoom + panX, right = (ox + box[2]) * zoom + panX;
      const upper = (oy + box[1]) * zoom + panY, lower = (oy + box[3]) * zoom + panY;
      if (right < 0 || left > w || lower < 0 || upper > h) return;
      const firstRow = Math.max(0, Math.ceil(upper - 0.5));
      const lastRow = Math.min(h - 1, Math.ceil(lower - 0.5) - 1);
      if (firstRow > lastRow) return;
      const xy = shape.xy;
      for (let j = 0; j < 14; j++) {
        px[j] = (ox + xy[2 * j]) * zoom + panX;
        py[j] = (oy + xy[2 * j + 1]) * zoom + panY;
      }
      for (let row = firstRow; row <= lastRow; row++) {
        const yc = row + 0.5;
        let n = 0;
        for (let j = 0, i = 13; j < 14; i = j++) {
          const ya = py[i], yb = py[j];
          if ((ya <= yc) !== (yb <= yc)) {
            const x = px[i] + (yc - ya) * (px[j] - px[i]) / (yb - ya);
            let k = n++;
            while (k > 0 && cross[k - 1] > x) { cross[k] = cross[k - 1]; k--; }
            cross[k] = x;
          }
        }
        const rowAt = row * w;
        for (let k = 0; k + 1 < n; k += 2) {
          const from = Math.max(0, Math.ceil(cross[k] - 0.5));
          const to = Math.min(w, Math.ceil(cross[k + 1] - 0.5));
          for (let c = from; c < to; c++) cover(rowAt + c, t);
        }
      }
    }

    for (let t = 0; t < tiles; t++) {
      scan(t, (p, tile) => {
        if (depth[p] > 0) overlapping = true;
        top[p] = tile;
        if (depth[p] < 65535) depth[p]++;
      });
    }
    if (!overlapping) return { top, layerStart: null, layers: null };
    const layerStart = new Int32Array(w * h + 1);
    for (let p = 0; p < w * h; p++) layerStart[p + 1] = layerStart[p] + depth[p];
    const layers = new Int32Array(layerStart[w * h]), fill = layerStart.slice(0, w * h);
    for (let t = 0; t < tiles; t++) {
      scan(t, (p, tile) => { if (fill[p] < layerStart[p + 1]) layers[fill[p]++] = tile; });
    }
    return { top, layerStart, layers };
  }

  // Tiles standing in the same place (same orientation and shift: quorvel's patch piles many
  // up) are rasterised once. Places are numbered by their last tile, so that the place
  // rasterised last over a pixel holds the last tile in Tiling order there.
  function placesOf(placements) {
    const { orientation, shift } = placements, tiles = orientation.length;
    const lastOf = new Map(), keyOf = new Array(tiles);
    for (let t = 0; t < tiles; t++) {
      const c = 4 * t;
      keyOf[t] = orientation[t] + ":" + shift[c] + ":" + shift[c + 1] + ":" + shift[c + 2] + ":" +
                 shift[c + 3];
      lastOf.set(keyOf[t], t);
    }
    const ordered = Array.from(lastOf.values()).sort((x, y) => x - y);
    const idOf = new Map(ordered.map((t, id) => [keyOf[t], id]));
    const count = ordered.length, start = new Int32Array(count + 1), place = new Int32Array(tiles);
    for (let t = 0; t < tiles; t++) start[(place[t] = idOf.get(keyOf[t])) + 1]++;
    for (let id = 0; id < count; id++) start[id + 1] += start[id];
    const members = new Int32Array(tiles), fill = start.slice(0, count);
    for (let t = 0; t < tiles; t++) members[fill[place[t]]++] = t;
    return { count, start, members, last: Int32Array.from(ordered), place,
             lastLive: new Int32Array(count) };
  }

  // Every tile a place of its own: the genuine tiling never puts two tiles in one place, and
  // keying two million placements would cost seconds.
  function ownPlaces(tiles) {
    const identity = new Int32Array(tiles);
    for (let t = 0; t < tiles; t++) identity[t] = t;
    const start = new Int32Array(tiles + 1);
    for (let t = 0; t <= tiles; t++) start[t] = t;
    return { count: tiles, start, members: identity, last: identity, place: identity,
             lastLive: new Int32Array(tiles) };
  }

  // The placement of each place, for rasterising: its last tile's.
  function placeOrigins(places, origin, orientation) {
    const o = new Float64Array(2 * places.count), orient = new Uint8Array(places.count);
    for (let id = 0; id < places.count; id++) {
      const t = places.last[id];
      o[2 * id] = origin[2 * t];
      o[2 * id + 1] = origin[2 * t + 1];
      orient[id] = orientation[t];
    }
    return { origin: o, orientation: orient };
  }

  // The tile each pixel is given: the last tile in Tiling order over it, or with liveOnTop the
  // last live one when there is one. `raster` is of places (placesOf).
  function shownTiles(raster, places, born, liveOnTop, shown) {
    const { top, layerStart, layers } = raster, last = places.last, lastLive = places.lastLive;
    if (!liveOnTop) {
      for (let p = 0; p < top.length; p++) shown[p] = top[p] < 0 ? -1 : last[top[p]];
      return shown;
    }
    const { start, members } = places;
    for (let id = 0; id < places.count; id++) {
      let live = -1;
      for (let k = start[id + 1] - 1; k >= start[id]; k--) {
        if (born[members[k]] >= 0) { live = members[k]; break; }
      }
      lastLive[id] = live;
    }
    for (let p = 0; p < top.length; p++) {
      const q = top[p];
      if (q < 0) { shown[p] = -1; continue; }
      let best = lastLive[q];
      if (layers !== null) {
        for (let k = layerStart[p]; k < layerStart[p + 1]; k++) {
          const live = lastLive[layers[k]];
          if (live > best) best = live;
        }
      }
      shown[p] = best >= 0 ? best : last[q];
    }
    return shown;
  }

  return { latticeX, latticeY, orientedOutline, orientedShapes, tileOrigins, fittedView,
           zoomedView, pannedView, rasterise, placesOf, ownPlaces, placeOrigins, shownTiles, LEAST_ZOOM_SHARE, MOST_ZOOM };
})();
if (typeof module === "object" && module.exports) module.exports = Geometry;
