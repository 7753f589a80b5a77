#!/usr/bin/env python3
"""Writes a long RF64 float WAVE file for the scan's memory figure:
    bench/make_long_wave.py OUT.wav [SECONDS] [RATE] [CHANNELS]
(7200 s, 96000 Hz, 8 channels: 22 GB). Each channel holds a tone of its own
frequency and level with a little noise, in 10 s blocks ending in 1 s of
silence; the block is computed once and written again and again."""
import array
import math
import random
import struct
import sys

out = sys.argv[1]
given = [int(a) for a in sys.argv[2:]]
secs, rate, ch = given + [7200, 96000, 8][len(given):]
block_secs = 10
frames = rate * secs
data = frames * ch * 4
fmt = struct.pack("<HHIIHH", 3, ch, rate, rate * ch * 4, ch * 4, 32)


def header(riff_size):
    ds64 = struct.pack("<QQQI", riff_size, data, frames, 0)
    return (b"ds64" + struct.pack("<I", len(ds64)) + ds64 + b"fmt " + struct.pack("<I", len(fmt))
            + fmt + b"data" + struct.pack("<I", 0xFFFFFFFF))


body = header(4 + len(header(0)) + data)
random.seed(1)
block = array.array("f", [0.0]) * (rate * block_secs * ch)
for i in range(rate * (block_secs - 1)):
    for c in range(ch):
        tone = math.sin(2 * math.pi * 100 * (c + 1) * i / rate)
        block[i * ch + c] = 0.5 / (c + 1) * tone + 0.01 * (random.random() - 0.5)
raw = block.tobytes()
with open(out, "wb") as f:
    f.write(b"RF64" + struct.pack("<I", 0xFFFFFFFF) + b"WAVE" + body)
    whole, part = divmod(secs, block_secs)
    for _ in range(whole):
        f.write(raw)
    f.write(raw[: part * rate * ch * 4])
