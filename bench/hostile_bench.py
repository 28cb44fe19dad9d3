#!/usr/bin/env python3
"""Times the programs on the inputs that once cost them minutes: deep names, long file lists, many
sibling disk folders and many files in one folder, for one build or several side by side.

Each case is prepared once per build in a fresh folder (with that build's own zevpack where a disk
set is needed), then the measured command runs once with a time limit. The table gives the wall
seconds, the peak resident set and the exit code of every build. See bench/README.md.
"""

import argparse
import os
import random
import struct
import subprocess
import sys
import tempfile
import time

ANSWERS = """[Wizard]
License=accept
Destination=C:\\Apps\\Bench
Folder=Bench
Launch=0
[Answers]
Overwrite=Yes
[Options]
Default=last
"""


def log(*args):
    print(*args, file=sys.stderr, flush=True)


GNU_TIME = "/usr/bin/time"


def run(argv, cwd, env, limit):
    """Runs argv in cwd; returns (wall seconds, CPU seconds, peak resident KiB, exit code), with
    None for the wall time when the limit was reached (the child is killed then). CPU time is
    what to compare on a busy machine: wall time swings with other people's load.

    The peak memory comes from GNU time, which starts the program from a process of its own: a
    child spawned from this interpreter would count the interpreter's memory as its own."""
    start = time.perf_counter()
    peak_file = os.path.join(cwd, "bench.peak")
    measured = [GNU_TIME, "-f", "%M", "-o", peak_file, *argv] if os.access(GNU_TIME, os.X_OK) else argv
    actions = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.path.join(cwd, "bench.err"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    pid = os.posix_spawn("/bin/sh", ["sh", "-c", 'cd "$0" && exec "$@"', cwd, *measured], env,
                         file_actions=actions, setpgroup=0)
    deadline = start + limit
    while True:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            break
        if time.perf_counter() > deadline:
            os.killpg(pid, 9)
            os.wait4(pid, 0)
            return None, None, None, "killed"
        time.sleep(0.01)
    seconds = time.perf_counter() - start
    return seconds, usage.ru_utime + usage.ru_stime, peak(peak_file, usage), os.waitstatus_to_exitcode(status)


def peak(peak_file, usage):
    """The program's peak resident set in KiB, as GNU time wrote it (its last line)."""
    try:
        with open(peak_file) as f:
            return int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        return usage.ru_maxrss


def remove(folder):
    """Removes a folder tree of any depth (a stopped run may leave thousands of levels, deeper
    than shutil.rmtree's recursion reaches)."""
    subprocess.run(["rm", "-rf", "--", folder], check=False)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def crlf(text):
    return text.replace("\n", "\r\n")


def stored_archive(path, name, data=b"hello"):
    """An archive of one stored member under any name (the tools refuse to write such names)."""
    name = name.encode("latin-1")
    header = struct.pack("<5s3slBll", b"MORV\x1a", b"NON", len(data), 1, 0, 0)
    member = struct.pack("<hlhllBll", len(name), 0x5A8B6C21, 0x20, len(data), len(data), 0, sum(data), 0)
    write(path, header + member + name + data)


def package(folder, config, files):
    """A package folder: install.cfg (CRLF), a licence, and files {stored name: bytes}."""
    write(os.path.join(folder, "install.cfg"), crlf(config))
    write(os.path.join(folder, "license.txt"), "Benchmark licence\n")
    for name, data in files.items():
        write(os.path.join(folder, *name.split("\\")), data)


def main_section(extra=""):
    return "[Setup - Main]\nInstall Dir=Bench\nFolder=Bench\n" + extra


class Build:
    def __init__(self, folder):
        self.folder = os.path.abspath(folder)
        self.bin = os.path.join(self.folder, "bin")
        for tool in ("zevarc", "zevpack", "zev-setup"):
            if not os.access(os.path.join(self.bin, tool), os.X_OK):
                raise SystemExit(f"hostile_bench: {self.bin}/{tool} is missing (build it first)")

    def tool(self, name):
        return os.path.join(self.bin, name)


# ---------------------------------------------------------------------------------------------
# Cases: each prepares its inputs in work and returns (argv, cwd) of the measured command.

def deep_name_extract(levels):
    def prepare(build, work, env):
        stored_archive(os.path.join(work, "deep.arc"), "d\\" * levels + "f.txt")
        return [build.tool("zevarc"), "x", "deep.arc", "-C", "out"], work
    return f"zevarc x, {levels}-level name", prepare


def make_set(build, work, env, config, files, *extra):
    package(os.path.join(work, "package"), config, files)
    subprocess.run([build.tool("zevpack"), "build", "package", "set", *extra], cwd=work, env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    write(os.path.join(work, "answers.ini"), ANSWERS)


def install(build, work):
    start = os.path.join(work, "set", "disk1") if os.path.isdir(os.path.join(work, "set", "disk1")) else \
        os.path.join(work, "set")
    return [build.tool("zev-setup"), "--machine", os.path.join(work, "machine"), "--unattended",
            os.path.join(work, "answers.ini")], start


def deep_directory_entry(levels):
    def prepare(build, work, env):
        deep = "\\".join(["a"] * levels)
        config = main_section() + f"[Directories]\nD1=<INSTALLDIR>~\nD2=<SUB1>~{deep}\n[Files]\nF1=f.txt~<INSTALLDIR>~X\n"
        make_set(build, work, env, config, {"f.txt": b"file\n"}, "--size", "1440000")
        return install(build, work)
    return f"zev-setup, {levels}-level directory entry", prepare


def many_files(count, sub):
    """count files in one folder of the package, listed under <SUB1> (recorded one by one in
    uninstall.cfg) or under <INSTALLDIR> (plain files)."""
    def prepare(build, work, env):
        key = "<SUB1>" if sub else "<INSTALLDIR>"
        lines = [f"F{i}=files\\f{i:05d}.txt~{key}~X" for i in range(count)]
        config = main_section() + "[Directories]\nD1=<INSTALLDIR>~\nD2=<SUB1>~data\n[Files]\n" + "\n".join(lines) + "\n"
        files = {f"files\\f{i:05d}.txt": f"file {i}\n".encode() for i in range(count)}
        make_set(build, work, env, config, files, "--size", "1440000")
        return install(build, work)
    return f"zev-setup, {count} [Files] entries under {'<SUB' if sub else '<INSTALLDIR>'}", prepare


def many_files_extract(count):
    def prepare(build, work, env):
        files = {f"files\\f{i:05d}.txt": f"file {i}\n".encode() for i in range(count)}
        config = main_section() + "[Directories]\nD1=<INSTALLDIR>~\n"
        make_set(build, work, env, config, files, "--size", "1440000")
        return [build.tool("zevpack"), "extract", "set", "-C", "out"], work
    return f"zevpack extract, {count} files in one folder", prepare


def disk_change(siblings):
    def prepare(build, work, env):
        payload = random.Random(7).randbytes(400000)
        config = main_section() + "[Directories]\nD1=<INSTALLDIR>~\n[Files]\nF1=payload.bin~<INSTALLDIR>~X\n"
        make_set(build, work, env, config, {"payload.bin": payload}, "--disk-folders", "--size", "16384")
        disks = len([d for d in os.listdir(os.path.join(work, "set")) if d.startswith("disk")])
        for i in range(siblings):
            os.mkdir(os.path.join(work, "set", f"other{i:05d}"))
        log(f"    ({disks} disks among {siblings} sibling folders)")
        return install(build, work)
    return f"zev-setup, disk changes among {siblings} sibling folders", prepare


CASES = [deep_name_extract(500), deep_name_extract(1000), deep_directory_entry(505), many_files(1000, True),
         many_files(8000, True), disk_change(4000), many_files(1000, False), many_files(8000, False),
         many_files_extract(1000), many_files_extract(8000)]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", action="append", required=True,
                        help="a build folder with bin/zevarc, bin/zevpack, bin/zev-setup (repeat to compare)")
    parser.add_argument("--limit", type=float, default=120, help="seconds before a run is stopped (default 120)")
    parser.add_argument("--work", help="work folder (default: a temporary one, removed afterwards)")
    parser.add_argument("--only", help="run only the cases whose title contains this text")
    args = parser.parse_args()
    builds = [Build(folder) for folder in args.build]
    work = args.work or tempfile.mkdtemp(prefix="zev-hostile-bench-")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, LC_ALL="C")
    env.pop("ZEV_LAUNCHER", None)
    rows = []
    try:
        for title, prepare in CASES:
            if args.only and args.only not in title:
                continue
            results = []
            for n, build in enumerate(builds):
                folder = os.path.join(work, f"case{len(rows)}-build{n}")
                remove(folder)
                os.makedirs(folder)
                env["ZEV_MACHINE"] = os.path.join(folder, "machine")
                log(f"{title}: {build.folder}")
                argv, cwd = prepare(build, folder, env)
                results.append(run(argv, cwd, env, args.limit))
                remove(folder)
            rows.append((title, results))
    finally:
        if not args.work:
            remove(work)

    print(f"{'case':<52}" + "".join(f"{'build ' + str(n + 1) + ': wall, CPU, peak RSS, exit':>44}"
                                     for n in range(len(builds))))
    for title, results in rows:
        cells = []
        for seconds, cpu, rss, code in results:
            if seconds is None:
                cells.append(f">{args.limit:.0f} s - - {code}")
            else:
                cells.append(f"{seconds:.2f} s {cpu:.2f} s {rss / 1024:.0f} MiB {code}")
        print(f"{title:<52}" + "".join(f"{cell:>44}" for cell in cells))
    for n, build in enumerate(builds):
        print(f"build {n + 1}: {build.folder}")


if __name__ == "__main__":
    main()
