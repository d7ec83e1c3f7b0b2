#!/usr/bin/python3
"""Times matplotlib's tricontour on the TIN and levels of IsoLinerBench.cpp
and prints the time and the number of lines it finds."""
import sys
import time

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import matplotlib.tri as mtri
import numpy as np

GRID = 708


def main():
    xs = 1000.0 * np.arange(GRID) / (GRID - 1)
    x, y = np.meshgrid(xs, xs)
    z = 50 * np.sin(x / 150) * np.cos(y / 230) + 0.02 * x
    x, y, z = x.ravel(), y.ravel(), z.ravel()
    idx = np.arange(GRID * GRID).reshape(GRID, GRID)
    a, b = idx[:-1, :-1].ravel(), idx[:-1, 1:].ravel()
    c, d = idx[1:, :-1].ravel(), idx[1:, 1:].ravel()
    triangles = np.concatenate([np.stack([a, b, d], 1), np.stack([a, d, c], 1)])
    levels = -45.0 + 5.0 * np.arange(-20, 40)
    levels = levels[(levels > z.min()) & (levels < z.max())]
    figure, axes = plt.subplots()
    start = time.perf_counter()
    tri = mtri.Triangulation(x, y, triangles)
    contours = axes.tricontour(tri, z, levels=levels)
    lines = sum(len(level_lines) for level_lines in contours.allsegs)
    elapsed = time.perf_counter() - start
    plt.close(figure)
    print(f"tricontour: {elapsed:.3f} s, {len(levels)} levels, {lines} lines, "
          f"{len(triangles)} triangles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
