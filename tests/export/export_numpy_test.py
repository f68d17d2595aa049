#!/usr/bin/env python3
"""quorvel-view --export loaded in one line each by NumPy and NetworkX, as the format
promises; skipped (status 77) when either is not installed."""
import argparse
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    import networkx as nx
    import numpy as np
except ImportError as missing:
    print("skipped: " + str(missing))
    sys.exit(77)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--view", required=True)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        path = Path(scratch) / "tiles.csv"
        out = subprocess.run([options.view, "--tiling", "spectre", "--depth", "3", "--html", "",
                              "--steps", "10", "--export", str(path)],
                             check=True, capture_output=True, text=True).stdout.splitlines()
        tiles = np.genfromtxt(path, delimiter=",", names=True, dtype=None, encoding=None)
        faces = np.stack([tiles["face%d" % j] for j in range(14)], axis=1)
        graph = nx.from_edgelist((a, b) for a, row in enumerate(faces) for b in row if b >= 0)
    summary = dict(item.split("=", 1) for item in out[1].split())
    assert len(tiles) == int(summary["tiles"]) == graph.number_of_nodes()
    assert int(tiles["alive"].sum()) == int(out[-3].split()[1].split("=")[1])
    # The genuine patch is one connected piece; a tile has at most 7 distinct face neighbours.
    assert nx.is_connected(graph)
    assert max(degree for _, degree in graph.degree()) == 7
    print("numpy and networkx: ok")


if __name__ == "__main__":
    sys.exit(main())
