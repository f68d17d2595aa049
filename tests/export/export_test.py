#!/usr/bin/env python3
"""quorvel-view --export read back with Python's standard library: the CSV and the JSON Lines
of one run hold the same tiles; the counts agree with the run's own report (tiles, live tiles,
largest age); the face slots are the program's adjacency (symmetric on the genuine patch, each
shared edge's endpoints among the neighbour's vertices); the supertile chains run from the root.
"""
import argparse
import csv
import json
import math
import subprocess
import sys
import tempfile
from pathlib import Path

VERTICES = 14


def run_export(view, args, path):
    out = subprocess.run([view, *args, "--html", "", "--export", str(path)], check=True,
                         capture_output=True, text=True).stdout.splitlines()
    summary = dict(item.split("=", 1) for item in out[1].split())
    last_step = dict(item.split("=", 1) for item in out[-3].split())
    assert out[-1] == "export=" + str(path), out[-1]
    return summary, last_step


def read_csv(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    tiles = []
    for r in rows:
        tiles.append({
            "index": int(r["index"]), "label": r["label"], "turn": int(r["turn"]),
            "mirror": r["mirror"] == "1",
            "shift": [int(r["c%d" % k]) for k in range(4)],
            "x": float(r["x"]), "y": float(r["y"]),
            "vertices": [[float(r["x%d" % j]), float(r["y%d" % j])] for j in range(VERTICES)],
            "faces": [int(r["face%d" % j]) for j in range(VERTICES)],
            "supertiles": r["supertiles"].split("/"),
            "alive": int(r["alive"]), "age": int(r["age"]),
        })
    return tiles


def read_jsonl(path):
    with open(path) as f:
        return [json.loads(line) for line in f]


def check(view, args, symmetric):
    with tempfile.TemporaryDirectory() as scratch:
        summary, last = run_export(view, args, Path(scratch) / "tiles.csv")
        summary_again, _ = run_export(view, args, Path(scratch) / "tiles.jsonl")
        assert summary == summary_again
        from_csv = read_csv(Path(scratch) / "tiles.csv")
        from_json = read_jsonl(Path(scratch) / "tiles.jsonl")
    assert from_csv == from_json, "the CSV and the JSON Lines differ"
    tiles = from_json
    count = int(summary["tiles"])
    assert len(tiles) == count, (len(tiles), count)
    assert [t["index"] for t in tiles] == list(range(count))
    assert sum(t["alive"] for t in tiles) == int(last["alive"])
    assert max(t["age"] for t in tiles) == int(last["max_age"])
    assert all((t["age"] > 0) == (t["alive"] == 1) for t in tiles)
    depth = int(summary["depth"])
    for t in tiles:
        assert len(t["supertiles"]) == depth + 1 and t["supertiles"][0] == summary["root"], t
        leaf = t["supertiles"][-1]
        assert t["label"] == leaf or (leaf == "Gamma" and t["label"] in ("Gamma1", "Gamma2")), t
        assert 0 <= t["turn"] < 12
    named = 0
    for t in tiles:
        for j, other in enumerate(t["faces"]):
            if other < 0:
                continue
            named += 1
            assert 0 <= other < count
            if symmetric:
                assert t["index"] in tiles[other]["faces"], (t["index"], other)
            # The edge's two ends are vertices of the tile across it, to within rounding.
            for end in (t["vertices"][j], t["vertices"][(j + 1) % VERTICES]):
                assert any(math.isclose(end[0], v[0], abs_tol=1e-6) and
                           math.isclose(end[1], v[1], abs_tol=1e-6)
                           for v in tiles[other]["vertices"]), (t["index"], j, other)
    return tiles, named


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--view", required=True)
    options = parser.parse_args()
    # The genuine patch: every face shared both ways. Delta's depth 1 has 80 named slots.
    _, named = check(options.view, ["--tiling", "spectre", "--depth", "1", "--steps", "3"], True)
    assert named == 80, named
    check(options.view, ["--tiling", "spectre", "--depth", "3", "--rule", "B2,5/S1,3-4",
                         "--steps", "40"], True)
    check(options.view, ["--tiling", "spectre", "--depth", "2", "--root", "Gamma",
                         "--neighbourhood", "vertex", "--steps", "20"], True)
    # quorvel's own patch at depth 3: 7478 named slots, groups of three or more included.
    _, named = check(options.view, ["--depth", "3", "--steps", "30"], False)
    assert named == 7478, named
    print("export round trip: ok")


if __name__ == "__main__":
    sys.exit(main())
