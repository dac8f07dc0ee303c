"""Shared set-up of the Python module tests: the built module is on PYTHONPATH."""
import os
import subprocess
import sys
import textwrap
import time

import pytest

sys.path.insert(0, os.path.dirname(__file__))


@pytest.fixture
def run_script(tmp_path):
    """Runs Python code in a process of its own (one service provider per
    process) and returns the completed process; stdout and stderr are text."""

    def run(code, timeout=120):
        env = dict(os.environ)
        env.setdefault("TRV_FILE_PATH", str(tmp_path))
        return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                              text=True, timeout=timeout, env=env)

    return run


COUNTER = os.environ.get("TRV_COUNTER")


@pytest.fixture
def start_counter(tmp_path):
    """Starts the stand-in counter with the given flags; returns its gateway
    port and the lines it printed at start (the channel addresses)."""
    procs = []

    def start(*flags):
        if not COUNTER:
            pytest.skip("TRV_COUNTER names no stand-in counter program")
        port_file = tmp_path / ("port%d.txt" % len(procs))
        out_file = open(tmp_path / ("counter%d.out" % len(procs)), "w+")
        proc = subprocess.Popen([COUNTER, "--port-file", str(port_file), "--time-limit", "120", *flags],
                                stdout=out_file, stderr=subprocess.STDOUT)
        procs.append((proc, out_file))
        deadline = time.monotonic() + 30
        while not (port_file.exists() and port_file.read_text().strip()):
            assert proc.poll() is None, out_file.name
            assert time.monotonic() < deadline, "counter did not start"
            time.sleep(0.05)
        out_file.seek(0)
        return int(port_file.read_text()), out_file.read()

    yield start
    for proc, out_file in procs:
        proc.terminate()
        proc.wait(timeout=30)
        out_file.close()
