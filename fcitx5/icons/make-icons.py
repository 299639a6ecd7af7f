#!/usr/bin/env python3
"""Draws the quorvel icon: a red tile with a white Q and a yellow dot below,
the dot that marks the nặng tone. Writes quorvel.svg and the PNG sizes."""
import math
import struct
import sys
import zlib
from pathlib import Path

RED = (0xD6, 0x28, 0x28)
WHITE = (0xFF, 0xFF, 0xFF)
YELLOW = (0xFF, 0xD6, 0x0A)

TILE = (0.0625, 0.0625, 0.9375, 0.9375, 0.19)  # x0, y0, x1, y1, corner radius
RING = (0.5, 0.44, 0.26, 0.16)  # centre, outer and inner radius
TAIL = (0.60, 0.58, 0.77, 0.75, 0.05)  # segment and half width
DOT = (0.5, 0.815, 0.058)
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def in_tile(x, y):
    x0, y0, x1, y1, r = TILE
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_ring(x, y):
    cx, cy, outer, inner = RING
    d = math.hypot(x - cx, y - cy)
    return inner <= d <= outer


def in_tail(x, y):
    x0, y0, x1, y1, w = TAIL
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= w


def in_dot(x, y):
    cx, cy, r = DOT
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(x, y):
    if not in_tile(x, y):
        return None
    if in_dot(x, y):
        return YELLOW
    if in_ring(x, y) or in_tail(x, y):
        return WHITE
    return RED


def render(size, grid=6):
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(grid):
                for sx in range(grid):
                    c = sample((px + (sx + 0.5) / grid) / size, (py + (sy + 0.5) / grid) / size)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row += bytes(round(a / hits) for a in acc)
                row.append(round(255 * hits / (grid * grid)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def svg():
    s = 64
    x0, y0, x1, y1, r = (v * s for v in TILE)
    cx, cy, outer, inner = (v * s for v in RING)
    tx0, ty0, tx1, ty1, tw = (v * s for v in TAIL)
    dx, dy, dr = (v * s for v in DOT)
    hexc = lambda c: "#%02x%02x%02x" % c
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" rx="{r:g}" fill="{hexc(RED)}"/>
  <circle cx="{cx:g}" cy="{cy:g}" r="{(outer + inner) / 2:g}" fill="none" stroke="{hexc(WHITE)}" stroke-width="{outer - inner:g}"/>
  <line x1="{tx0:g}" y1="{ty0:g}" x2="{tx1:g}" y2="{ty1:g}" stroke="{hexc(WHITE)}" stroke-width="{2 * tw:g}" stroke-linecap="round"/>
  <circle cx="{dx:g}" cy="{dy:g}" r="{dr:g}" fill="{hexc(YELLOW)}"/>
</svg>
"""


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / "scalable").mkdir(parents=True, exist_ok=True)
    (out / "scalable" / "quorvel.svg").write_text(svg())
    for size in SIZES:
        d = out / f"{size}x{size}"
        d.mkdir(parents=True, exist_ok=True)
        (d / "quorvel.png").write_bytes(png(size, render(size)))


if __name__ == "__main__":
    main()
