# Shared by the Python install tests (sourced): $src is the source tree and
# $counter the stand-in counter program.

# check_module PYTHON SITE LIBDIR [PYTHONPATH]: PYTHON imports the module
# from SITE, and it loads the libtrv_api of LIBDIR.
check_module() {
  env -u PYTHONPATH ${4:+PYTHONPATH="$4"} "$1" - "$2" "$3" <<'PY'
import sys
import _py_trv_api, py_trv_api
site, libdir = sys.argv[1:]
assert _py_trv_api.__file__.startswith(site) and py_trv_api.__file__.startswith(site), _py_trv_api.__file__
assert libdir + "/libtrv_api.so.1" in open("/proc/self/maps").read(), "libtrv_api loaded from elsewhere"
PY
}

# run_example PYTHON LOG_DIR [PYTHONPATH]: PYTHON runs the Python example
# against the stand-in counter, through the whole session.
run_example() {
  local out
  out=$(env -u PYTHONPATH ${3:+PYTHONPATH="$3"} TRV_EXAMPLE_INTERPRETER="$1" \
    bash "$src/scripts/example_with_counter.sh" "$counter" "$src/examples/trv_example.py" "$2")
  for step in on_trade_report on_counter_fund_transfer_result "on_quote: channel 1" "quote logged out" \
              "trading API stopped"; do
    grep -F "$step" <<<"$out" >/dev/null || { echo "$out"; echo "example did not reach: $step"; return 1; }
  done
}
