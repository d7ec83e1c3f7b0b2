#!/usr/bin/python3
"""Times mapbox earcut (python3-mapbox-earcut) on the star rings that
PolyTriangulatorBench.cpp triangulates, rebuilt from the same seed."""
import math
import sys
import timeit

import mapbox_earcut
import numpy as np

MASK = (1 << 64) - 1


def star_ring(n, seed):
    state = seed
    def nxt():
        nonlocal state
        state = (state * 6364136223846793005 + 1442695040888963407) & MASK
        return (state >> 11) * (1.0 / 9007199254740992.0)
    pts = []
    for i in range(n):
        r = 5.0 + 5.0 * nxt()
        a = -(i + 0.1 + 0.8 * nxt()) * 6.283185307179586 / n
        pts.append((r * math.cos(a), r * math.sin(a)))
    return pts


def main():
    seed = 141
    for n in (15, 94, 500, 2523):
        verts = np.array(star_ring(n, seed), dtype=np.float64)
        rings = np.array([n], dtype=np.uint32)
        tris = mapbox_earcut.triangulate_float64(verts, rings)
        number = max(1, int(2000 / n))
        best = min(timeit.repeat(lambda: mapbox_earcut.triangulate_float64(verts, rings),
                                 number=number, repeat=5)) / number
        print(f"earcut/{n}: {best * 1e3:.4f} ms, {len(tris) // 3} triangles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
