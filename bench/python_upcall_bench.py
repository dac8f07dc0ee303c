#!/usr/bin/env python3
"""Up-calls from library threads into one Python callback object, beside a
trivial Python-to-C call of the module, printed in Google Benchmark's layouts.

    /usr/bin/python3 bench/python_upcall_bench.py BUILD_DIR [--benchmark_format=console|json]
        [--benchmark_min_time=SECONDS] [--benchmark_repetitions=N]

BUILD_DIR is a build tree of this project: the module and the test driver
(which calls the callback interfaces from native threads, as the library's
handler and receiver threads do) are taken from BUILD_DIR/python.

Rows:
  BM_Upcall/threads:1, BM_Upcall/threads:4
      that many native threads, started together, each call on_disconnect of
      the same Python object; items_per_second is the total of up-calls per
      second of them all.
  BM_TrivialCall
      a Python loop calling a module function that converts one integer,
      releases and retakes the interpreter lock around its native action and
      returns an int (TRVTradeApi_get_order_sequence).
"""
import argparse
import datetime
import itertools
import json
import os
import platform
import socket
import sys
import time


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build_dir")
    parser.add_argument("--benchmark_format", choices=("console", "json"), default="console")
    parser.add_argument("--benchmark_min_time", type=float, default=1.0,
                        help="seconds each measurement runs at least")
    parser.add_argument("--benchmark_repetitions", type=int, default=1)
    return parser.parse_args(argv)


def timed(run, min_time):
    """Runs run(n) with n doubling until one run lasts min_time; returns
    (n, wall seconds, CPU seconds of the process) of that run."""
    n = 1000
    while True:
        cpu = time.process_time()
        wall = run(n)
        cpu = time.process_time() - cpu
        if wall >= min_time or n >= 1 << 40:
            return n, wall, cpu
        n = max(n * 2, int(n * min_time / max(wall, 1e-6) * 1.2))


def measure(args):
    sys.path.insert(0, os.path.join(os.path.abspath(args.build_dir), "python"))
    import _py_trv_api as m
    import _trv_py_driver as driver
    import py_trv_api as p

    class Callbacks(p.TRVTradeSpi):
        def on_disconnect(self, session_id):
            pass

    spi = Callbacks()
    address = int(spi.this)

    def upcalls(threads):
        def run(count):
            return driver.upcalls(address, threads, count)
        return run

    def trivial(count):
        call = m.TRVTradeApi_get_order_sequence
        start = time.perf_counter()
        for _ in itertools.repeat(None, count):
            call(0x50000106)
        return time.perf_counter() - start

    cases = [("BM_Upcall/threads:1", 1, upcalls(1)), ("BM_Upcall/threads:4", 4, upcalls(4)),
             ("BM_TrivialCall", 1, trivial)]
    rows = []
    for family, (name, threads, run) in enumerate(cases):
        run(1000)  # warm up: the threads' first up-call, the lookups' caches
        for repetition in range(args.benchmark_repetitions):
            iterations, wall, cpu = timed(run, args.benchmark_min_time)
            items = iterations * threads
            # As Google Benchmark reports threaded rows: iterations of all
            # threads together, times per one of them.
            rows.append({
                "name": name, "family_index": family, "per_family_instance_index": 0, "run_name": name,
                "run_type": "iteration", "repetitions": args.benchmark_repetitions,
                "repetition_index": repetition, "threads": threads, "iterations": items,
                "real_time": wall * 1e9 / items, "cpu_time": cpu * 1e9 / items, "time_unit": "ns",
                "items_per_second": items / wall,
            })
    return rows


def context(args):
    mhz = 0
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("cpu MHz"):
                    mhz = int(float(line.split(":")[1]))
                    break
    except OSError:
        pass
    return {
        "date": datetime.datetime.now().astimezone().isoformat(timespec="seconds"),
        "host_name": socket.gethostname(),
        "executable": " ".join([sys.executable] + sys.argv),
        "num_cpus": os.cpu_count(),
        "mhz_per_cpu": mhz,
        "cpu_scaling_enabled": False,
        "caches": [],
        "load_avg": list(os.getloadavg()),
        "library_build_type": "release",
        "python_version": platform.python_version(),
    }


def main(argv):
    args = parse_args(argv)
    rows = measure(args)
    ctx = context(args)
    if args.benchmark_format == "json":
        json.dump({"context": ctx, "benchmarks": rows}, sys.stdout, indent=2)
        sys.stdout.write("\n")
        return 0
    print("%s\nRunning %s\nRun on (%d X %d MHz CPU s)\nLoad Average: %s" % (
        ctx["date"], ctx["executable"], ctx["num_cpus"], ctx["mhz_per_cpu"],
        ", ".join("%.2f" % v for v in ctx["load_avg"])))
    print("-" * 86)
    print("%-28s %15s %15s %12s %12s" % ("Benchmark", "Time", "CPU", "Iterations", "UserCounters..."))
    print("-" * 86)
    for row in rows:
        print("%-28s %12.1f ns %12.1f ns %12d items_per_second=%.4gM/s" % (
            row["name"], row["real_time"], row["cpu_time"], row["iterations"], row["items_per_second"] / 1e6))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
