#!/usr/bin/env python3
"""Time, peak memory and disk left behind when the programs meet small hostile inputs.

    python3 bench/hostile_memory.py --bin before=OLD/bin --bin after=build/bin [--work DIR]
                                    [--max-memory MIB] [--max-file MIB] [--timeout S] [--only CASE]

Builds, once, inputs of a few hundred bytes each:

  declared  an archive (and a disk set holding it) whose one LH5 member has no data and declares
            2 GiB - 1: a decoder that reads missing bits as zeros writes 2 GiB;
  extras    a disk set whose list archive holds, after the list file, three LH5 members of a few
            bytes declaring 256 MiB each, which nobody reads;
  licence   a disk set whose license.txt is 64 MiB of newlines (a few dozen bytes of LH5);
  records   a disk set whose list file is 16 M one-byte records (a few dozen bytes of LH5);

and runs zevarc, zevpack and zev-setup (unattended) of each --bin on them. Each run is limited
(address space, file size, wall time) so that an old build cannot take the machine down with it;
a run that hits a limit shows how it ended. Printed per run: exit code or signal, wall and CPU
seconds, peak resident memory, and the bytes the run left behind (the output folder and the
temporary folder for the tools, the Windows directory's Temp folder for zev-setup). Needs GNU time
(/usr/bin/time) for the memory figures; otherwise Python's standard library only.
"""

import argparse
import os
import resource
import shutil
import signal
import struct
import subprocess
import sys
import time
from pathlib import Path

MIB = 1 << 20

# ---- The container and set formats ---------------------------------------------------------------


def member(name, data, method, declared=None, checksum=None):
    """One archive member: its 25-byte header, its name and its data."""
    name = name.encode("latin-1")
    declared = len(data) if declared is None else declared
    checksum = sum(data) & 0xFFFFFFFF if checksum is None else checksum
    header = struct.pack("<hihiiBIi", len(name), 0x5A8B6C21, 0x20, declared, len(data), method, checksum, 0)
    return header + name + data, declared


def archive(members, identifier=b"LH5"):
    body = b"".join(m[0] for m in members)
    total = min(sum(m[1] for m in members), 0x7FFFFFFF)
    return struct.pack("<5s3siBii", b"MORV\x1a", identifier, total, 1, 0, 0) + body


def segment_set(folder, list_archive, record_width, arc):
    """A set of one archive in one segment, folder/zevsetup.001, and the install.cfg beside it."""
    template = b"C:\\APP\\*.*"
    stream = struct.pack("<4sHHB12s", b"SHdr", 0, 1, 0, b"")
    stream += struct.pack("<4sHHBii", b"Scan", 0, len(template), 0, record_width, len(list_archive))
    stream += template + list_archive
    stream += struct.pack("<4sHHIi", b"SArc", 0, 0, 0, len(arc)) + arc
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "zevsetup.001").write_bytes(b"SSeg\0\0\0\0" + stream)
    (folder / "install.cfg").write_bytes(b"[Setup - Main]\r\nInstall Dir=App\r\n")


def list_archive(names, width, extra=()):
    records = b"".join(n.encode("latin-1").ljust(width, b"\0") for n in names)
    return archive([member("zevsetup.lst", records, 0)] + list(extra))


# ---- LZH5 streams of single-symbol blocks ---------------------------------------------------------
# A block whose three code-length lists all name a single symbol takes 52 bits, and its items
# take none: 65536 matches of 256 bytes, 16 MiB of output, from 7 bytes.


class BitWriter:
    def __init__(self):
        self.value, self.bits = 0, 0

    def put(self, value, width):
        self.value = (self.value << width) | value
        self.bits += width

    def data(self):
        pad = -self.bits % 8
        return (self.value << pad).to_bytes((self.bits + pad) // 8, "big")


def lzh5_single_symbol(blocks):
    """blocks: (item count 1..65536, character symbol); matches repeat the last byte (class 0)."""
    w = BitWriter()
    for items, symbol in blocks:
        w.put(items & 0xFFFF, 16)
        w.put(0, 5), w.put(0, 5)  # length code: the single symbol 0
        w.put(0, 9), w.put(symbol, 9)  # characters: the single symbol
        w.put(0, 4), w.put(0, 4)  # positions: the single class 0
    return w.data()


MATCH_256 = 509
assert lzh5_single_symbol([(1, 0x41)]) == bytes.fromhex("00010000041000")  # the worked stream


def repeated_byte(byte, blocks_of_16_mib):
    """One literal and then 16 MiB per block of it: (stream, size)."""
    stream = lzh5_single_symbol([(1, byte)] + [(65536, MATCH_256)] * blocks_of_16_mib)
    return stream, 1 + blocks_of_16_mib * 65536 * 256


def build_inputs(work):
    inputs = work / "inputs"
    if inputs.exists():
        shutil.rmtree(inputs)
    inputs.mkdir(parents=True)

    declared = [member("declared.bin", b"", 4, declared=0x7FFFFFFF, checksum=0)]
    (inputs / "declared.arc").write_bytes(archive(declared))
    segment_set(inputs / "declared-set", list_archive(["declared.bin"], 12), 12, archive(declared))

    # Members nobody reads, of a few bytes each: on the old reader each decodes to 256 MiB of
    # zeros in the Temp folder and stays there.
    extras = [member(f"extra{i}.bin", b"", 4, declared=256 * MIB, checksum=0) for i in range(3)]
    small = [member("readme.txt", b"read me\r\n", 0)]
    segment_set(inputs / "extras-set", list_archive(["readme.txt"], 10, extras), 10, archive(small))

    stream, size = repeated_byte(0x0A, 4)
    licence = [member("license.txt", stream, 4, declared=size, checksum=(0x0A * size) & 0xFFFFFFFF)]
    segment_set(inputs / "licence-set", list_archive(["license.txt"], 11), 11, archive(licence))

    stream, size = repeated_byte(ord("a"), 1)
    records = member("zevsetup.lst", stream, 4, declared=size, checksum=(ord("a") * size) & 0xFFFFFFFF)
    segment_set(inputs / "records-set", archive([records]), 1, archive([member("a", b"x", 0)]))

    for path in sorted(inputs.rglob("*")):
        if path.is_file():
            print(f"  {path.relative_to(work)}: {path.stat().st_size} bytes")
    return inputs


# ---- Running the programs -------------------------------------------------------------------------


def tree_size(path):
    if not path.exists():
        return 0
    if path.is_file():
        return path.stat().st_size
    return sum(p.stat().st_size for p in path.rglob("*") if p.is_file() and not p.is_symlink())


def run(command, cwd, env, limits, after, report):
    """Runs command under GNU time; returns how it ended and what it cost. after() measures what it
    left behind. (The rusage of a child of this process would count this interpreter's own memory,
    which the child has until its exec; time's child starts from a much smaller process.)"""
    max_memory, max_file, timeout = limits

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (max_memory, max_memory))
        resource.setrlimit(resource.RLIMIT_FSIZE, (max_file, max_file))

    timed = ["/usr/bin/time", "-o", str(report), "-f", "%M %e %U %S"] + command
    start = time.monotonic()
    process = subprocess.Popen(timed, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, preexec_fn=limit, start_new_session=True)
    try:
        _, stderr = process.communicate(timeout=timeout)
        timed_out = False
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        _, stderr = process.communicate()
        timed_out = True
    wall = time.monotonic() - start
    lines = report.read_text().splitlines() if report.exists() else []
    report.unlink(missing_ok=True)
    rss_kib, cpu, ended = 0.0, 0.0, f"exit {process.returncode}"
    if lines:
        fields = lines[-1].split()
        if len(fields) == 4:
            rss_kib, cpu = float(fields[0]), float(fields[2]) + float(fields[3])
        for line in lines[:-1]:
            if line.startswith("Command terminated by signal"):
                ended = signal.Signals(int(line.split()[-1])).name
    if timed_out:
        ended = f"timeout {timeout:.0f}s"
    messages = stderr.decode("utf-8", "replace").strip().splitlines()
    return {"ended": ended, "wall": wall, "cpu": cpu, "rss": rss_kib / 1024, "left": after(),
            "message": messages[-1] if messages else ""}


def cases(bin_dir, inputs, scratch):
    """(case, program, command, cwd, extra environment, what to measure afterwards)."""
    machine = scratch / "machine"
    out = scratch / "out"
    temp = machine / "drive_c" / "WINDOWS" / "Temp"
    setup = lambda name: (f"{name}", "zev-setup",
                          [str(bin_dir / "zev-setup"), "--machine", str(machine), "--unattended"],
                          inputs / f"{name}-set", lambda: tree_size(temp))
    yield ("declared", "zevarc x", [str(bin_dir / "zevarc"), "x", str(inputs / "declared.arc"), "-C", str(out)],
           scratch, lambda: tree_size(out))
    yield ("declared", "zevarc t", [str(bin_dir / "zevarc"), "t", str(inputs / "declared.arc")], scratch,
           lambda: 0)
    # zevpack stages the set in a folder of its own below TMPDIR, which the run points here.
    yield ("declared", "zevpack extract",
           [str(bin_dir / "zevpack"), "extract", str(inputs / "declared-set"), "-C", str(out)], scratch,
           lambda: tree_size(out) + tree_size(scratch / "tmp"))
    yield setup("declared")
    yield ("extras", "zevpack list", [str(bin_dir / "zevpack"), "list", str(inputs / "extras-set")], scratch,
           lambda: tree_size(scratch / "tmp"))
    yield setup("extras")
    yield setup("licence")
    yield ("records", "zevpack list", [str(bin_dir / "zevpack"), "list", str(inputs / "records-set")], scratch,
           lambda: tree_size(scratch / "tmp"))
    yield setup("records")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", action="append", required=True, metavar="LABEL=DIR",
                        help="a build's bin folder (zevarc, zevpack, zev-setup), with a label")
    parser.add_argument("--work", default="/tmp/zev-hostile-bench", help="folder for the inputs and the runs")
    parser.add_argument("--max-memory", type=int, default=4096, help="address space limit per run, MiB")
    parser.add_argument("--max-file", type=int, default=3072, help="file size limit per run, MiB")
    parser.add_argument("--timeout", type=float, default=300, help="wall time limit per run, seconds")
    parser.add_argument("--only", help="run only this case (declared, extras, licence, records)")
    args = parser.parse_args()

    work = Path(args.work).resolve()
    print(f"inputs in {work}:")
    inputs = build_inputs(work)
    limits = (args.max_memory * MIB, args.max_file * MIB, args.timeout)
    print(f"\nlimits per run: {args.max_memory} MiB of address space, {args.max_file} MiB per file, "
          f"{args.timeout:.0f} s\n")
    print(f"{'build':<8} {'case':<9} {'program':<16} {'ended':<12} {'wall s':>8} {'cpu s':>8} {'peak MiB':>9} "
          f"{'left MiB':>9}  last message")
    for labelled in args.bin:
        label, _, directory = labelled.partition("=")
        bin_dir = Path(directory).resolve()
        for case, program, command, cwd, after in cases(bin_dir, inputs, work / "scratch"):
            if args.only and case != args.only:
                continue
            scratch = work / "scratch"
            if scratch.exists():
                shutil.rmtree(scratch)
            (scratch / "tmp").mkdir(parents=True)
            env = dict(os.environ, ZEV_MACHINE=str(scratch / "machine"), TMPDIR=str(scratch / "tmp"), LC_ALL="C")
            env.pop("DISPLAY", None)
            r = run(command, cwd, env, limits, after, work / "time-report")
            print(f"{label:<8} {case:<9} {program:<16} {r['ended']:<12} {r['wall']:>8.2f} {r['cpu']:>8.2f} "
                  f"{r['rss']:>9.1f} {r['left'] / MIB:>9.1f}  {r['message'][:90]}", flush=True)
            shutil.rmtree(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
