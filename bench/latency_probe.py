#!/usr/bin/env python3
"""Drives popup programs on an X server and prints each measurement as a line of JSON, which
bench/report.py turns into figures. The presses are typed and timed by bench/popup_watcher.

  latency_probe.py latency --watcher PATH [options] --popup NAME:TITLE:COMMAND [--popup ...]
  latency_probe.py memory --watcher PATH [options] -- command [arguments...]

latency: --rounds starts of each popup, taking turns so that a passing load on the machine falls
         on every popup alike, with --presses show/hide cycles over them all; the --front titles
         take turns from one round to the next. A "startup" record a start: from fork to the ready
         text and to the main thread idle. A "press" record a cycle: press 0 is the first after
         start-up, the later ones follow each other, and one more comes after the same pause
         (--settle-ms) as the first; a "cost" record a start for its first cycle and the later.
memory:  the program's smaps idle, after the first show (with --title) and at each --cycles count.
Other options: --log FILE (the program's output; a prefix for the popup's name in latency),
--typer COMMAND (types Ctrl+Space at each line written to it, instead of XTest).
"""
import argparse
import json
import math
import os
import subprocess
import sys
import threading
import time

READY_TIMEOUT_MS = 30000
# Long enough to span the round trips of the preparation: a pause this long is the idle loop.
QUIET_MS = 200
MAX_FAILURES = 5


def now_ms():
    return time.clock_gettime(time.CLOCK_MONOTONIC) * 1000


def emit(kind, **fields):
    print(json.dumps({"record": kind, **fields}), flush=True)


def run_ns(path):
    """A thread's run time so far in nanoseconds, finer than the ticks of /proc/PID/stat."""
    try:
        with open(path) as schedstat:
            return int(schedstat.read().split()[0])
    except (OSError, ValueError, IndexError):
        return 0


def cpu_ms(pid):
    tasks = f"/proc/{pid}/task"
    try:
        return sum(run_ns(f"{tasks}/{task}/schedstat") for task in os.listdir(tasks)) / 1e6
    except OSError:
        return None


def minor_faults(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            # The command name in brackets may hold spaces; the tenth field is the eighth after it.
            return int(stat.read().rsplit(")", 1)[1].split()[7])
    except (OSError, ValueError, IndexError):
        return None


class Target:
    """A benchmarked program, started with its output piped so the moment it prints its ready
    text is seen, and that output copied to a log; stopped with SIGTERM when closed."""

    def __init__(self, command, ready, log):
        self.ready_ms = None
        self.readied = threading.Event()
        self.start = now_ms()
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.reader = threading.Thread(target=self.copy_output, args=(ready.encode(), log))
        self.reader.start()

    def copy_output(self, ready, log):
        """Drains the pipe for the whole life of the program: a full pipe would stall its logging."""
        with open(log or os.devnull, "ab", buffering=0) as copy:
            pending = b""
            while chunk := os.read(self.process.stdout.fileno(), 65536):
                copy.write(chunk)
                if self.ready_ms is None:
                    pending = pending[-len(ready):] + chunk
                    if ready in pending:
                        self.ready_ms = now_ms() - self.start
                        self.readied.set()
        self.readied.set()

    def wait_quiet(self, deadline_ms):
        """Milliseconds from fork to the end of the main thread's last run before it stayed off
        the CPU for QUIET_MS: when its event loop went idle."""
        path = f"/proc/{self.process.pid}/task/{self.process.pid}/schedstat"
        ran, last = run_ns(path), now_ms()
        while self.process.poll() is None and now_ms() < deadline_ms:
            time.sleep(0.001)
            now, ns = now_ms(), run_ns(path)
            if ns != ran:
                ran, last = ns, now
            elif now - last >= QUIET_MS:
                return last - self.start
        return None

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait()
        self.reader.join()


class Run:
    """A started program, ready and settled, with a watcher on its popup when it has a title."""

    def __init__(self, args, command, title, front, log):
        self.failures = 0
        self.watcher = None
        self.target = Target(command, args.ready, log)
        if not self.target.readied.wait(READY_TIMEOUT_MS / 1000) or self.target.ready_ms is None:
            self.fail(f"{command[0]} never printed \"{args.ready}\"")
        # Start-up work that goes on after the ready line (downloads, autostart) is left out.
        settled = self.target.start + self.target.ready_ms + args.settle_ms
        self.idle_ms = self.target.wait_quiet(settled)
        time.sleep(max(0, settled - now_ms()) / 1000)
        if not title:
            return
        self.watcher = subprocess.Popen(
            [args.watcher, title, front] + ([str(args.typer.stdin.fileno())] if args.typer else []),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
            pass_fds=[args.typer.stdin.fileno()] if args.typer else [])
        words = self.watcher.stdout.readline().split()
        if words[:1] != ["watching"]:
            self.fail("the popup watcher could not start")
        self.server, self.window_manager = int(words[1]), int(words[2])

    def cycle(self):
        """One show and one hide: milliseconds to mapped, drawn and unmapped, None for what did
        not happen; exits once the program died or too many cycles failed."""
        self.watcher.stdin.write("cycle\n")
        self.watcher.stdin.flush()
        times = [float(word) for word in self.watcher.stdout.readline().split()]
        if len(times) != 3 or any(map(math.isnan, times)):
            self.failures += 1
        if self.target.process.poll() is not None or self.failures > MAX_FAILURES:
            self.fail("the program ended or too many cycles timed out")
        return [None if math.isnan(ms) else ms for ms in times]

    def counters(self):
        """CPU time and minor page faults so far of the program, the X server and the window
        manager."""
        pid = self.target.process.pid
        return [cpu_ms(pid), minor_faults(pid), cpu_ms(self.server), minor_faults(self.server),
                cpu_ms(self.window_manager) if self.window_manager else 0]

    def close(self):
        if self.watcher:
            self.watcher.stdin.close()
            self.watcher.wait()
        self.target.close()

    def fail(self, message):
        self.close()
        sys.exit(f"latency_probe: {message}")


def latency_round(args, popup, start, presses):
    name, title, command = popup.split(":", 2)
    front = args.front[start % len(args.front)] if args.front else ""
    run = Run(args, [command], title, front, args.log and args.log + name + ".log")
    fields = dict(popup=name, start=start + 1, front=front)
    emit("startup", **fields, registered_ms=run.target.ready_ms, idle_ms=run.idle_ms)
    phase_start = run.counters()
    # The presses back to back, then one after a pause.
    for press in range(presses + 2):
        if press == presses + 1:
            time.sleep(args.settle_ms / 1000)
        mapped, drawn, unmapped = run.cycle()
        emit("press", **fields, press=press,
             pause_ms=args.settle_ms if press == 0 or press > presses else 0,
             mapped_ms=mapped, drawn_ms=drawn, unmapped_ms=unmapped)
        if press not in (0, presses):
            continue
        now = run.counters()
        cost = [None if None in (a, b) else a - b for a, b in zip(now, phase_start)]
        phase_start = now
        emit("cost", **fields, phase="first" if press == 0 else "later",
             cycles=1 if press == 0 else presses,
             **dict(zip(("cpu_ms", "faults", "server_cpu_ms", "server_faults",
                         "window_manager_cpu_ms"), cost)))
    run.close()


def latency(args):
    for start in range(args.rounds):
        # Each round starts with the next popup, so none always runs first.
        for turn in range(len(args.popup)):
            latency_round(args, args.popup[(start + turn) % len(args.popup)], start,
                          args.presses // args.rounds + (start < args.presses % args.rounds))


def memory(args):
    run = Run(args, args.command, args.title, args.front[-1] if args.front else "", args.log)

    def smaps(stage, **fields):
        with open(f"/proc/{run.target.process.pid}/smaps") as mappings:
            emit("memory", stage=stage, smaps=mappings.read(), **fields)

    smaps("idle")
    if run.watcher:
        run.cycle()
        time.sleep(args.settle_ms / 1000)
        smaps("first show")
        done = 1
        for count in args.cycles:
            cpu_before = cpu_ms(run.target.process.pid)
            drawn = [run.cycle()[1] for _ in range(done, count)]
            done = max(done, count)
            time.sleep(args.settle_ms / 1000)
            smaps("cycles", cycles=done, drawn_ms=drawn,
                  cpu_ms=cpu_ms(run.target.process.pid) - cpu_before)
    run.close()


def main():
    argv = sys.argv[1:]
    command = argv[argv.index("--") + 1:] if "--" in argv else []
    parser = argparse.ArgumentParser(prog="latency_probe.py")
    parser.add_argument("mode", choices=["latency", "memory"])
    parser.add_argument("--watcher", required=True)
    parser.add_argument("--popup", action="append", default=[])
    parser.add_argument("--front", action="append", default=[])
    parser.add_argument("--title", default="")
    parser.add_argument("--ready", default="Is Registered:  true")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--presses", type=int, default=300)
    parser.add_argument("--cycles", type=lambda text: [int(n) for n in text.split(",")],
                        default=[])
    parser.add_argument("--settle-ms", type=float, default=1000)
    parser.add_argument("--log", default="")
    parser.add_argument("--typer")
    args = parser.parse_args(argv[:argv.index("--")] if "--" in argv else argv)
    args.command = command
    if (args.mode == "latency") != bool(args.popup) or (args.mode == "memory") != bool(command):
        parser.error("latency takes --popup, memory a command after --")
    # The typer lives through every start, and ends at the end of its input.
    args.typer = args.typer and subprocess.Popen(args.typer, shell=True, stdin=subprocess.PIPE)
    (latency if args.mode == "latency" else memory)(args)
    if args.typer:
        args.typer.stdin.close()
        args.typer.wait()


if __name__ == "__main__":
    main()
