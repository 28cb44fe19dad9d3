#!/usr/bin/env python3
"""Benchmarks zevarc and zevpack against other LHA tools and gzip, side by side.

Makes three deterministic inputs (text, a shared library, a tar of headers and object code),
packs them with our own methods (lh5, lzh, rle), with the jlha library (lh5 and lh1 archives for
the LHA peers) and with gzip -6, checks that every program reproduces the input, then runs every
program on every input several times in alternating order and prints a table of medians, the
throughput ratios the performance targets are stated in, and a verdict per target.

See bench/README.md for what is needed and how to run it.
"""

import argparse
import gzip
import hashlib
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
JLHA = "/usr/share/java/jlha.jar"
MIB = 1 << 20
ERRORS = os.devnull  # set to a file in the work folder by main()


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def run(argv, stdout=None):
    """Runs argv to completion; returns (seconds, peak resident KiB). Fails on a non-zero exit.

    The child is started with posix_spawn, so neither its time nor its peak memory includes a
    copy of this interpreter; stdout goes to the named file, or to /dev/null."""
    program = shutil.which(argv[0]) or argv[0]
    actions = [(os.POSIX_SPAWN_OPEN, 1, stdout or os.devnull,
                os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, ERRORS, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    start = time.perf_counter()
    pid = os.posix_spawn(program, argv, os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    seconds = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        with open(ERRORS, errors="replace") as f:
            err = f.read().strip()
        raise SystemExit(f"run_bench: {' '.join(argv)} failed ({code}): {err}")
    return seconds, usage.ru_utime + usage.ru_stime


def capture(argv):
    return subprocess.run(argv, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE).stdout


# ---------------------------------------------------------------------------------------------
# Inputs

def make_text(path, size):
    """English prose and lists: the Debian changelogs of the installed packages, in name order."""
    docs = "/usr/share/doc"
    files = []
    for package in sorted(os.listdir(docs)):
        folder = os.path.join(docs, package)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            if name.startswith("changelog") and name.endswith(".gz"):
                files.append(os.path.join(folder, name))

    data = bytearray()
    for f in files:
        with gzip.open(f, "rb") as g:
            data += g.read()
        if len(data) >= size:
            break
    if len(data) < size:
        raise SystemExit("run_bench: not enough changelog text in /usr/share/doc")
    with open(path, "wb") as out:
        out.write(data[:size])


def make_library(path, size):
    """A shared library of a few MiB, cut to the input size (the LLVM library of clang 14, which
    the build installs, for sizes beyond the smaller ones)."""
    for candidate in ("/usr/lib/x86_64-linux-gnu/libcrypto.so.3",
                      "/usr/lib/x86_64-linux-gnu/libstdc++.so.6",
                      "/usr/lib/x86_64-linux-gnu/libLLVM-14.so.1"):
        if os.path.exists(candidate) and os.path.getsize(candidate) >= size:
            with open(candidate, "rb") as f, open(path, "wb") as out:
                out.write(f.read(size))
            return
    raise SystemExit("run_bench: no shared library of at least %d bytes found" % size)


# The mixed input's sources: header folders under /usr/include and static libraries whose objects
# are unpacked. The first line alone gives the 4 MiB input; larger sizes take all of them.
MIXED_SMALL = (("openssl",), ("libX11.a",))
MIXED_LARGE = (("openssl", "X11", "FL"), ("libX11.a", "libfltk.a", "libcrypto.a"))


def make_mixed(path, size, work):
    """A tar of C headers and object files (OpenSSL headers, the objects of libX11.a, and for
    larger sizes more of both), cut to the input size. Names, times, owners and modes are fixed so
    the tar is the same on every run."""
    for headers, libraries in (MIXED_SMALL, MIXED_LARGE):
        tree = os.path.join(work, "mixed-tree")
        shutil.rmtree(tree, ignore_errors=True)
        for folder in headers:
            shutil.copytree(os.path.join("/usr/include", folder),
                            os.path.join(tree, "include", folder))
        for library in libraries:
            # The first library's objects lie directly in obj/, as they always did.
            objects = os.path.join(tree, "obj", *([] if library == libraries[0] else [library]))
            os.makedirs(objects, exist_ok=True)
            subprocess.run(["ar", "x", os.path.join("/usr/lib/x86_64-linux-gnu", library)],
                           check=True, cwd=objects)
        tar = path + ".tar"
        subprocess.run(["tar", "--sort=name", "--mtime=@0", "--owner=0", "--group=0",
                        "--numeric-owner", "--mode=u=rwX,go=rX", "--format=ustar",
                        "-cf", tar, "-C", tree, "include", "obj"], check=True)
        shutil.rmtree(tree)
        if os.path.getsize(tar) >= size:
            with open(tar, "rb") as f, open(path, "wb") as out:
                out.write(f.read(size))
            os.remove(tar)
            return
        os.remove(tar)
    raise SystemExit("run_bench: the mixed tar is smaller than the input size")


def make_inputs(work, size, suffix=""):
    inputs = {}
    for name, maker in (("text", make_text), ("library", make_library), ("mixed", make_mixed)):
        path = os.path.join(work, "input", name + suffix)
        if not os.path.exists(path) or os.path.getsize(path) != size:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            log(f"making input {name}")
            if maker is make_mixed:
                maker(path, size, work)
            else:
                maker(path, size)
        inputs[name] = path
    return inputs


# ---------------------------------------------------------------------------------------------
# Our lh5 streams as LHA members, for the LHA peers to decode

LEVELS = ("exact", "fast", "best")


def crc16(data):
    """The LHA header's CRC-16 (polynomial 0x8005, reflected, starting at 0)."""
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
        table.append(c)
    crc = 0
    for b in data:
        crc = (crc >> 8) ^ table[(crc ^ b) & 0xFF]
    return crc


def lh5_stream(archive):
    """The data of the one member of a zevarc archive (21-byte archive header, 25-byte member
    header, name, data), which must be stored with method 4 (lh5) and no key."""
    with open(archive, "rb") as f:
        data = f.read()
    header = data[21:46]
    name_length = int.from_bytes(header[0:2], "little")
    packed = int.from_bytes(header[12:16], "little")
    if header[16] != 4:
        raise SystemExit(f"run_bench: {archive} does not hold an lh5 member")
    start = 46 + name_length
    return data[start:start + packed]


def wrap_lha(stream, original, path):
    """Writes an LHA archive (level-0 header) holding the lh5 stream as the member "data"."""
    with open(original, "rb") as f:
        plain = f.read()
    name = b"data"
    fields = (b"-lh5-" + len(stream).to_bytes(4, "little") + len(plain).to_bytes(4, "little")
              + (0x21 << 16).to_bytes(4, "little") + bytes([0x20, 0, len(name)]) + name
              + crc16(plain).to_bytes(2, "little"))
    with open(path, "wb") as f:
        f.write(bytes([len(fields), sum(fields) & 0xFF]) + fields + stream + b"\0")


# ---------------------------------------------------------------------------------------------
# Programs

class Case:
    """One program run on one input: what it does (group), on what, and how to run it."""

    def __init__(self, group, input_name, tool, argv, stdout=None, before=None):
        self.group, self.input, self.tool = group, input_name, tool
        self.argv, self.stdout, self.before = argv, stdout, before
        self.times, self.cpu, self.rss = [], [], []

    def measure(self):
        if self.before:
            self.before()
        argv = self.argv
        peak = None
        if self.group == "memory":
            # GNU time reports the peak of a child it forked itself (a child spawned from this
            # interpreter would inherit the interpreter's own peak).
            peak = os.path.join(os.path.dirname(ERRORS), "peak.txt")
            argv = ["/usr/bin/time", "-f", "%M", "-o", peak] + argv
        seconds, cpu = run(argv, self.stdout)
        self.times.append(seconds)
        self.cpu.append(cpu)
        if peak:
            with open(peak) as f:
                self.rss.append(int(f.read().split()[-1]))

    def median(self):
        """Median CPU time (user + system): on a shared machine it is steadier than wall time."""
        return statistics.median(self.cpu)

    def wall(self):
        return statistics.median(self.times)


def remove(path):
    def action():
        if os.path.isdir(path):
            shutil.rmtree(path)
        elif os.path.exists(path):
            os.remove(path)
    return action


def have(program):
    return shutil.which(program) is not None


def prepare(args, inputs, large, work):
    zevarc = os.path.join(args.build, "bin", "zevarc")
    zevpack = os.path.join(args.build, "bin", "zevpack")
    for program in (zevarc, zevpack):
        if not os.access(program, os.X_OK):
            raise SystemExit(f"run_bench: {program} not found; build the zevarc and zevpack targets")
    packed = os.path.join(work, "packed")
    out = os.path.join(work, "out")
    shutil.rmtree(packed, ignore_errors=True)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(packed)
    os.makedirs(out)

    peers = {"lhasa": have("lhasa"), "bsdtar": have("bsdtar"), "7z": have("7z"),
             "gzip": have("gzip"), "jlha": have("java") and os.path.exists(JLHA)}
    for peer, present in peers.items():
        if not present:
            log(f"note: {peer} is missing; its columns are left out")

    cases = []
    sizes = {}  # (input, level) -> archive bytes
    decoded = set()  # (level, peer) for every level an LHA peer decoded on every input
    for name, path in inputs.items():
        digest = sha256(path)
        archives = {}
        for method in ("lh5", "lzh", "rle"):
            archive = os.path.join(packed, f"{name}.{method}.zev")
            run([zevarc, "c", archive, path, "--method", method])
            archives[method] = archive
        for level in LEVELS:
            archive = os.path.join(packed, f"{name}.{level}.zev")
            run([zevarc, "c", archive, path, "--level", level])
            sizes[(name, level)] = os.path.getsize(archive)
            lha = os.path.join(packed, f"{name}.{level}.lzh")
            wrap_lha(lh5_stream(archive), path, lha)
            for peer, argv in (("lhasa", ["lhasa", "pq", lha]), ("bsdtar", ["bsdtar", "-xOf", lha])):
                if peers[peer]:
                    check = os.path.join(out, "check")
                    run(argv, check)
                    if sha256(check) != digest:
                        raise SystemExit(f"run_bench: {peer} did not decode the {level} level's "
                                         f"stream of the {name} input")
                    decoded.add((level, peer))
                    os.remove(check)
        if peers["jlha"]:
            for method in ("lh5", "lh1"):
                archive = os.path.join(packed, f"{name}.{method}.lzh")
                capture(["java", "-cp", JLHA, os.path.join(HERE, "MakeLha.java"), f"-{method}-",
                         archive, path])
                archives[method + ".lzh"] = archive
        if peers["gzip"]:
            archive = os.path.join(packed, f"{name}.gz")
            with open(archive, "wb") as f:
                subprocess.run(["gzip", "-6", "-c", path], check=True, stdout=f)
            archives["gz"] = archive

        def expand(group, tool, argv):
            check = os.path.join(out, "check")
            run(argv, check)
            if sha256(check) != digest:
                raise SystemExit(f"run_bench: {tool} did not reproduce the {name} input")
            os.remove(check)
            cases.append(Case(group, name, tool, argv))

        def compress(group, tool, argv, target, stdout=None):
            cases.append(Case(group, name, tool, argv, stdout, before=remove(target)))

        # LZH5 expansion and its peers.
        expand("lh5 expand", "zevarc p", [zevarc, "p", archives["lh5"]])
        if "lh5.lzh" in archives:
            if peers["lhasa"]:
                expand("lh5 expand", "lhasa", ["lhasa", "pq", archives["lh5.lzh"]])
            if peers["bsdtar"]:
                expand("lh5 expand", "bsdtar", ["bsdtar", "-xOf", archives["lh5.lzh"]])
            if peers["7z"]:
                expand("lh5 expand", "7z", ["7z", "x", "-so", archives["lh5.lzh"]])
        if "gz" in archives:
            expand("lh5 expand", "gzip -d", ["gzip", "-dc", archives["gz"]])
        # Adaptive LZH expansion against lhasa on lh1.
        expand("lzh expand", "zevarc p", [zevarc, "p", archives["lzh"]])
        if "lh1.lzh" in archives and peers["lhasa"]:
            expand("lzh expand", "lhasa", ["lhasa", "pq", archives["lh1.lzh"]])
        expand("rle expand", "zevarc p", [zevarc, "p", archives["rle"]])
        # Compression.
        for method in ("lh5", "lzh", "rle"):
            target = os.path.join(out, f"{name}.{method}.zev")
            compress(f"{method} compress", "zevarc c",
                     [zevarc, "c", target, path, "--method", method], target)
        for level in LEVELS[1:]:
            target = os.path.join(out, f"{name}.{level}.zev")
            compress("lh5 compress", f"zevarc c {level}",
                     [zevarc, "c", target, path, "--level", level], target)
        if peers["gzip"]:
            target = os.path.join(out, f"{name}.gz")
            compress("lh5 compress", "gzip -6", ["gzip", "-6", "-c", path], target, stdout=target)
            sizes[(name, "gzip -6")] = os.path.getsize(archives["gz"])

    # The expansion stage: a disk set of all three inputs through zevpack extract, against
    # zevarc p on an archive of the same files.
    package = os.path.join(work, "package")
    shutil.rmtree(package, ignore_errors=True)
    os.makedirs(package)
    with open(os.path.join(package, "install.cfg"), "w") as f:
        f.write("[Setup]\n")
    with open(os.path.join(package, "license.txt"), "w") as f:
        f.write("Benchmark package.\n")
    for name, path in inputs.items():
        shutil.copyfile(path, os.path.join(package, name))
    diskset = os.path.join(packed, "diskset")
    subprocess.run([zevpack, "build", package, diskset], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    disks = {}
    for level in LEVELS:
        levelset = os.path.join(packed, f"diskset-{level}")
        shutil.rmtree(levelset, ignore_errors=True)
        subprocess.run([zevpack, "build", package, levelset, "--level", level], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        segments = [n for n in os.listdir(levelset) if n.startswith("zevsetup.")]
        disks[level] = (len(segments), sum(os.path.getsize(os.path.join(levelset, n))
                                           for n in segments))
    setarchive = os.path.join(packed, "package.lh5.zev")
    run([zevarc, "c", setarchive] + [os.path.join(package, n) for n in sorted(os.listdir(package))
                                       if n != "install.cfg"])
    target = os.path.join(out, "extracted")
    cases.append(Case("stage", "all three", "zevpack extract",
                      [zevpack, "extract", diskset, "-C", target], before=remove(target)))
    cases.append(Case("stage", "all three", "zevarc p", [zevarc, "p", setarchive]))
    stage_bytes = sum(os.path.getsize(os.path.join(package, n)) for n in os.listdir(package)
                      if n != "install.cfg")

    # Files on several cores: the three inputs cut into files of 64 to 512 KiB, made into a disk
    # set by zevpack build with one thread and with two, against one gzip -6 process over the
    # same files. An archive of them must be the same bytes whatever the threads. (The sets are
    # not compared: each stamps its file list with the time it was built.)
    pieces = os.path.join(work, "pieces")
    shutil.rmtree(pieces, ignore_errors=True)
    os.makedirs(pieces)
    with open(os.path.join(pieces, "install.cfg"), "w") as f:
        f.write("[Setup]\n")
    cut = random.Random(21)
    files = []
    for name, path in inputs.items():
        with open(path, "rb") as f:
            data = f.read()
        start = 0
        while start < len(data):
            n = cut.randint(64, 512) * 1024
            files.append(os.path.join(pieces, f"{name}.{len(files):03d}"))
            with open(files[-1], "wb") as f:
                f.write(data[start:start + n])
            start += n
    archived = {}
    for jobs in (1, 2):
        target = os.path.join(out, f"pieces-j{jobs}")
        argv = [zevpack, "build", pieces, target, "-j", str(jobs)]
        remove(target)()
        run(argv)
        cases.append(Case("parallel", "pieces", f"zevpack build -j{jobs}", argv, before=remove(target)))
        archive = os.path.join(out, f"pieces-j{jobs}.arc")
        remove(archive)()
        run([zevarc, "c", archive, pieces, "-j", str(jobs)])
        archived[jobs] = sha256(archive)
    if archived[1] != archived[2]:
        raise SystemExit("run_bench: zevarc c -j 2 wrote another archive than -j 1")
    gz = os.path.join(out, "pieces.gz")
    cases.append(Case("parallel", "pieces", "gzip -6", ["gzip", "-6", "-c"] + files, gz, before=remove(gz)))
    log(f"pieces: {len(files)} files of 64 to 512 KiB")

    # Memory: a 16 MiB input against listing an empty archive.
    big = os.path.join(work, "input", "big16")
    if not os.path.exists(big) or os.path.getsize(big) != 16 * MIB:
        with open(big, "wb") as f:
            while f.tell() < 16 * MIB:
                for path in inputs.values():
                    with open(path, "rb") as src:
                        f.write(src.read())
            f.truncate(16 * MIB)
    empty_folder = os.path.join(work, "empty-folder")
    os.makedirs(empty_folder, exist_ok=True)
    empty = os.path.join(packed, "empty.zev")
    run([zevarc, "c", empty, empty_folder])
    cases.append(Case("memory", "empty", "zevarc l", [zevarc, "l", empty]))
    for method in ("lh5", "lzh", "rle"):
        archive = os.path.join(packed, f"big16.{method}.zev")
        run([zevarc, "c", archive, big, "--method", method])
        cases.append(Case("memory", "16 MiB", f"zevarc p {method}", [zevarc, "p", archive]))
        target = os.path.join(out, f"big16.{method}.zev")
        cases.append(Case("memory", "16 MiB", f"zevarc c {method}",
                          [zevarc, "c", target, big, "--method", method], before=remove(target)))
    # Expansion of 16 MiB inputs against zstd -d (its default level) to standard output, and
    # writing real files against bsdtar on the same lh5 stream wrapped as an LHA member.
    for name, path in large.items():
        digest = sha256(path)
        archive = os.path.join(packed, f"{name}16.zev")
        run([zevarc, "c", archive, path])
        cases.append(Case("16 MiB expand", name, "zevarc p", [zevarc, "p", archive]))
        folder = os.path.join(out, f"{name}16")

        def fresh_folder(folder=folder):
            remove(folder)()
            os.makedirs(folder)

        def writes(tool, argv, written):
            fresh_folder()
            run(argv)
            if sha256(os.path.join(folder, written)) != digest:
                raise SystemExit(f"run_bench: {tool} did not reproduce the 16 MiB {name} input")
            cases.append(Case("16 MiB expand", name, tool, argv, before=fresh_folder))

        writes("zevarc x", [zevarc, "x", archive, "-C", folder], os.path.basename(path))
        setdir = os.path.join(packed, f"{name}16-set")
        shutil.rmtree(setdir, ignore_errors=True)
        source = os.path.join(work, f"{name}16-package")
        shutil.rmtree(source, ignore_errors=True)
        os.makedirs(source)
        with open(os.path.join(source, "install.cfg"), "w") as f:
            f.write("[Setup]\n")
        shutil.copyfile(path, os.path.join(source, "data"))
        run([zevpack, "build", source, setdir])
        shutil.rmtree(source)
        writes("zevpack extract", [zevpack, "extract", setdir, "-C", folder], "data")
        if have("zstd"):
            zst = os.path.join(packed, f"{name}16.zst")
            run(["zstd", "-q", "-c", path], zst)
            check = os.path.join(out, "check")
            run(["zstd", "-dcq", zst], check)
            if sha256(check) != digest:
                raise SystemExit(f"run_bench: zstd did not reproduce the 16 MiB {name} input")
            os.remove(check)
            cases.append(Case("16 MiB expand", name, "zstd -d", ["zstd", "-dcq", zst]))
            writes("zstd -d file", ["zstd", "-dq", zst, "-o", os.path.join(folder, "data")], "data")
        if peers["bsdtar"]:
            lha = os.path.join(packed, f"{name}16.lzh")
            wrap_lha(lh5_stream(archive), path, lha)
            writes("bsdtar -x", ["bsdtar", "-xf", lha, "-C", folder], "data")

    levels = {"sizes": sizes, "disks": disks, "decoded": decoded, "peers": peers}
    return cases, stage_bytes, levels


# ---------------------------------------------------------------------------------------------
# Report

def report(cases, size, stage_bytes, runs, levels):
    def find(group, input_name, tool):
        for c in cases:
            if c.group == group and c.input == input_name and c.tool == tool:
                return c
        return None

    def mbs(seconds, nbytes=size):
        return nbytes / MIB / seconds

    verdicts = []

    def verdict(text, ratio, need, at_most=False):
        ok = ratio <= need if at_most else ratio >= need
        verdicts.append((text, ratio, need, ok))

    inputs = sorted({c.input for c in cases if c.group == "lh5 expand"},
                    key=["text", "library", "mixed"].index)
    print(f"Medians of {runs} alternating runs; CPU seconds (user + system) and wall seconds of the "
          f"whole process; MiB/s of uncompressed data per CPU second ({size // MIB} MiB per input). "
          f"Ratios are peer CPU time / ours.\n")
    header = (f"{'group':<13} {'input':<8} {'program':<16} {'cpu s':>8} {'wall s':>8} {'MiB/s':>8}"
              f"  ratio")
    print(header)
    print("-" * len(header))
    for group in ("lh5 expand", "lzh expand", "rle expand", "lh5 compress", "lzh compress",
                  "rle compress"):
        for name in inputs:
            ours_tool = "zevarc c" if "compress" in group else "zevarc p"
            ours = find(group, name, ours_tool)
            rows = [c for c in cases if c.group == group and c.input == name]
            for c in rows:
                ratio = ""
                if c is not ours and ours is not None:
                    ratio = f"ours x{c.median() / ours.median():.2f}"
                print(f"{group:<13} {name:<8} {c.tool:<16} {c.median():8.4f} {c.wall():8.4f} "
                      f"{mbs(c.median()):8.1f}  {ratio}")
            if group == "lh5 expand":
                lha = [c for c in rows if c.tool in ("lhasa", "bsdtar", "7z")]
                if lha:
                    fastest = min(lha, key=lambda c: c.median())
                    verdict(f"lh5 expand {name}: vs fastest LHA peer ({fastest.tool})",
                            fastest.median() / ours.median(), 1.5)
                gz = find(group, name, "gzip -d")
                if gz:
                    verdict(f"lh5 expand {name}: vs gzip -d", gz.median() / ours.median(), 1.0)
            elif group == "lh5 compress":
                gz = find(group, name, "gzip -6")
                fast = find(group, name, "zevarc c fast")
                best = find(group, name, "zevarc c best")
                if gz:
                    verdict(f"lh5 compress {name}: exact vs gzip -6", gz.median() / ours.median(), 0.8)
                    verdict(f"lh5 compress {name}: fast vs gzip -6", gz.median() / fast.median(), 1.5)
                sizes = levels["sizes"]
                exact_size = sizes[(name, "exact")]
                for level in LEVELS:
                    gz_size = sizes.get((name, "gzip -6"))
                    print(f"{'':<13} {name:<8} {level + ' size':<16} {sizes[(name, level)]:>10} bytes"
                          f"  {sizes[(name, level)] / exact_size - 1:+.2%} vs exact"
                          + (f", {sizes[(name, level)] / gz_size - 1:+.2%} vs gzip -6" if gz_size else ""))
                verdict(f"lh5 compress {name}: fast size within 2% of exact (x = fast/exact, "
                        f"needs at most)", sizes[(name, "fast")] / exact_size, 1.02, at_most=True)
                if name != "library":
                    verdict(f"lh5 compress {name}: best at least 3% smaller than exact (x = best/exact,"
                            f" needs at most)", sizes[(name, "best")] / exact_size, 0.97, at_most=True)
                verdict(f"lh5 compress {name}: best MB/s (CPU)", size / 1e6 / best.median(), 1.0)
            elif group == "lzh expand":
                lhasa = find(group, name, "lhasa")
                if lhasa:
                    verdict(f"lzh expand {name}: vs lhasa lh1", lhasa.median() / ours.median(), 1.5)
            elif group in ("lzh compress", "rle compress", "rle expand"):
                lh5 = find("lh5 compress", name, "zevarc c")
                verdict(f"{group} {name}: vs lh5 compress", lh5.median() / ours.median(), 1.0)
    print()
    for name in inputs:
        rows = [c for c in cases if c.group == "16 MiB expand" and c.input == name]
        for c in rows:
            print(f"{'16 MiB expand':<13} {name:<8} {c.tool:<16} {c.median():8.4f} {c.wall():8.4f} "
                  f"{mbs(c.median(), 16 * MIB):8.1f}")
        zstd, zstd_file = find("16 MiB expand", name, "zstd -d"), find("16 MiB expand", name, "zstd -d file")
        bsdtar = find("16 MiB expand", name, "bsdtar -x")
        if zstd:
            verdict(f"16 MiB expand {name}: zevarc p vs zstd -d",
                    zstd.median() / find("16 MiB expand", name, "zevarc p").median(), 1.0)
            for tool in ("zevarc x", "zevpack extract"):
                verdict(f"16 MiB expand {name}: {tool} vs zstd -d writing a file",
                        zstd_file.median() / find("16 MiB expand", name, tool).median(), 1.0)
        if bsdtar:
            for tool in ("zevarc x", "zevpack extract"):
                verdict(f"16 MiB expand {name}: {tool} vs bsdtar -x writing a file",
                        bsdtar.median() / find("16 MiB expand", name, tool).median(), 1.5)
    print()
    extract = find("stage", "all three", "zevpack extract")
    printed = find("stage", "all three", "zevarc p")
    for c in (extract, printed):
        print(f"{'stage':<13} {'all3':<8} {c.tool:<16} {c.median():8.4f} {c.wall():8.4f} "
              f"{mbs(c.median(), stage_bytes):8.1f}")
    verdict("zevpack extract vs zevarc p", printed.median() / extract.median(), 0.8)
    print()
    one, two = find("parallel", "pieces", "zevpack build -j1"), find("parallel", "pieces", "zevpack build -j2")
    gz = find("parallel", "pieces", "gzip -6")
    for c in (one, two, gz):
        print(f"{'parallel':<13} {'pieces':<8} {c.tool:<18} {c.median():8.4f} {c.wall():8.4f}  wall MiB/s "
              f"{mbs(c.wall(), 3 * size):8.1f}")
    print(f"zevpack build -j2 vs -j1: x{one.wall() / two.wall():.3f} in wall time")
    verdict("zevpack build -j2 vs one gzip -6 over the same files (wall)", gz.wall() / two.wall(), 1.5)
    print()
    empty = find("memory", "empty", "zevarc l")
    base = max(empty.rss)
    print(f"peak resident memory: zevarc l (empty archive) {base} KiB")
    for c in cases:
        if c.group == "memory" and c is not empty:
            peak = max(c.rss)
            print(f"  {c.tool:<14} 16 MiB input: {peak} KiB (+{peak - base} KiB)")
            verdicts.append((f"memory {c.tool}: peak over empty listing (KiB, at most 2048)",
                             peak - base, 2048, peak - base <= 2048))
    print()
    for level in LEVELS:
        count, total = levels["disks"][level]
        print(f"zevpack build of the three inputs, level {level}: {count} disks of 1440000 bytes, "
              f"{total} bytes")
    for level in LEVELS:
        peers = [p for p in ("lhasa", "bsdtar") if (level, p) in levels["decoded"]]
        print(f"level {level}: lh5 streams wrapped as LHA members decoded by "
              f"{', '.join(peers) if peers else 'no peer (missing)'} on every input")
    print()
    print("Targets:")
    for text, ratio, need, ok in verdicts:
        if text.startswith("memory"):
            print(f"  {'met ' if ok else 'GAP '} {text}: {ratio}")
        else:
            print(f"  {'met ' if ok else 'GAP '} {text}: x{ratio:.3f} (needs x{need})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(REPO, "build"),
                        help="build directory holding bin/zevarc and bin/zevpack")
    parser.add_argument("--work", default="/tmp/zev-bench", help="folder for inputs and archives")
    parser.add_argument("--runs", type=int, default=7, help="runs of every program (median)")
    parser.add_argument("--size", type=int, default=4, help="MiB per input")
    parser.add_argument("--only", default="", help="run only the groups containing this text")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    global ERRORS
    ERRORS = os.path.join(work, "stderr.txt")
    size = args.size * MIB

    inputs = make_inputs(work, size)
    large = make_inputs(work, 16 * MIB, "16")
    for name, path in list(inputs.items()) + list(large.items()):
        log(f"input {name}: {os.path.getsize(path)} bytes, sha256 {sha256(path)[:16]}")
    cases, stage_bytes, levels = prepare(args, inputs, large, work)
    if args.only:
        cases = [c for c in cases if args.only in c.group]
    for r in range(args.runs):
        log(f"round {r + 1} of {args.runs}")
        # Alternate: every program once per round, the starting point moving each round.
        shift = r % len(cases)
        for c in cases[shift:] + cases[:shift]:
            c.measure()
    if args.only:
        for c in cases:
            print(f"{c.group:<13} {c.input:<8} {c.tool:<16} {c.median():8.4f} cpu s "
                  f"{c.wall():8.4f} wall s")
        return
    report(cases, size, stage_bytes, args.runs, levels)


if __name__ == "__main__":
    main()
