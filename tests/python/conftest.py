"""Shared set-up of the Python module tests: the built module is on PYTHONPATH."""
import os
import subprocess
import sys
import textwrap

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
