#!/usr/bin/env python3
"""Differential check of two zevarc builds: every encoder must write the same archive bytes.

A faster match finder has to make exactly the choices the old one made (the longest match, the
position it picks, the lazy choice), so this packs a set of inputs aimed at the finders' corner
cases with both programs and compares the archives byte for byte:

- runs of one byte around 256, the window sizes and the first slide (7936 bytes);
- periodic data with periods near 1, 256, 4096 and 8192, over all bytes and over four bytes;
- blocks of 254..512 bytes repeated with one byte between them (matches of exactly 256);
- random data over small alphabets (deep tries), sizes across the slides;
- text with sparse edits, runs mixed with text, and random picks of all of these.

See bench/README.md. Exits 1 when any archive differs.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile


def pseudo_text(rng, n):
    words = [bytes(rng.choice(b"etaoinshrdlucmfwyp") for _ in range(rng.randrange(1, 9)))
             for _ in range(400)]
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words)
        out += b"\n" if rng.randrange(12) == 0 else b" "
    return bytes(out[:n])


def make_inputs(rng, text):
    files = {}
    for n in (1, 2, 3, 4, 5, 255, 256, 257, 258, 259, 511, 512, 513, 7935, 7936, 7937, 8191, 8192,
              8193, 16127, 16128, 16129, 16384, 24320, 30000):
        files[f"run{n}"] = b"a" * n
    for p in (1, 2, 3, 7, 8, 255, 256, 257, 4095, 4096, 4097, 8000, 8189, 8190, 8191, 8192, 8193,
              8194, 8300):
        base = bytes(rng.randrange(256) for _ in range(p))
        files[f"period{p}"] = (base * (40000 // p + 2))[:40000]
        base = bytes(rng.randrange(4) for _ in range(p))
        files[f"period4sym{p}"] = (base * (40000 // p + 2))[:40000]
    for k in (254, 255, 256, 257, 258, 512):
        block = bytes(rng.randrange(256) for _ in range(k))
        data = bytearray()
        for _ in range(60):
            data += block
            data.append(rng.randrange(256))
        files[f"exact{k}"] = bytes(data)
    for alphabet in (1, 2, 3, 4, 16, 256):
        for n in (1000, 9000, 33000):
            files[f"random{alphabet}_{n}"] = bytes(rng.randrange(alphabet) for _ in range(n))
    for start, n in ((0, 20000), (100000, 70000), (5000, 17000)):
        data = bytearray(text[start:start + n])
        for i in range(0, len(data), 997):
            data[i] ^= 0x55
        files[f"textedit{start}"] = bytes(data)
    data = bytearray()
    for _ in range(200):
        data += bytes([rng.randrange(3)]) * rng.randrange(1, 600)
        data += text[rng.randrange(100000):][:rng.randrange(0, 400)]
    files["runsmix"] = bytes(data)
    for i in range(40):
        n = rng.choice([rng.randrange(1, 300), rng.randrange(7900, 8500), rng.randrange(16000, 17000),
                        rng.randrange(20000, 70000)])
        kind = rng.randrange(3)
        if kind == 0:
            alphabet = rng.choice([2, 5, 40, 256])
            data = bytes(rng.randrange(alphabet) for _ in range(n))
        elif kind == 1:
            p = rng.randrange(1, 9000)
            base = bytes(rng.randrange(256) for _ in range(p))
            data = (base * (n // p + 2))[:n]
        else:
            data = text[rng.randrange(200000):][:n]
        files[f"pick{i}"] = data
    return files


def pack(zevarc, folder, name, archive, method):
    if os.path.exists(archive):
        os.remove(archive)
    subprocess.run([zevarc, "c", archive, name, "--method", method], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(archive, "rb") as f:
        return f.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("old", help="the reference zevarc")
    parser.add_argument("new", help="the zevarc under test")
    parser.add_argument("--methods", default="lh5,lzh,rle")
    parser.add_argument("--extra", nargs="*", default=[], help="more input files to compare on")
    parser.add_argument("--seed", type=int, default=11)
    args = parser.parse_args()

    # The programs run inside the input folders, so relative paths are resolved first.
    old, new = os.path.abspath(args.old), os.path.abspath(args.new)
    rng = random.Random(args.seed)
    work = tempfile.mkdtemp(prefix="zev-compare-")
    try:
        inputs = os.path.join(work, "in")
        os.makedirs(inputs)
        files = make_inputs(rng, pseudo_text(rng, 300000))
        for name, data in files.items():
            with open(os.path.join(inputs, name), "wb") as f:
                f.write(data)
        targets = [(inputs, name) for name in sorted(files)]
        targets += [(os.path.dirname(os.path.abspath(p)), os.path.basename(p)) for p in args.extra]
        compared = 0
        differing = []
        for folder, name in targets:
            for method in args.methods.split(","):
                a = pack(old, folder, name, os.path.join(work, "old.zev"), method)
                b = pack(new, folder, name, os.path.join(work, "new.zev"), method)
                compared += 1
                if a != b:
                    differing.append(f"{name} {method}")
        for d in differing:
            print("differs:", d)
        print(f"compared {compared} archives, {len(differing)} differ")
        return 1 if differing else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
