#!/usr/bin/env bash
# lint.sh format                 every C++ source and header of the tree is as
#                                clang-format (.clang-format) writes it
# lint.sh format --fix           rewrites them so
# lint.sh function-size BUILD    no function under src/ is longer than 80
#                                lines (BUILD holds compile_commands.json)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=${CLANG_FORMAT:-clang-format-14}
tidy=${CLANG_TIDY:-clang-tidy-14}

sources() {
  # The tracked files where this is a checkout; every file otherwise. The
  # fixtures of the host-information tests are data, not code.
  if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" ls-files -- '*.cpp' '*.h' '*.cc'
  else
    find src include tests bench examples python -name '*.cpp' -o -name '*.h' -o -name '*.cc'
  fi | grep -v '^tests/hostinfo/fixtures/'
}

case ${1:-} in
  format)
    if [ "${2:-}" = "--fix" ]; then
      sources | xargs -r "$format" -i --style=file
    else
      sources | xargs -r "$format" --dry-run --Werror --style=file
    fi
    ;;
  function-size)
    build=${2:?usage: lint.sh function-size BUILD_DIR}
    [ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 2; }
    config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 80}]}'
    out=$(sources | grep '^src/.*\.cpp$' |
          xargs -r -P "$(nproc)" -n 8 "$tidy" -p "$build" --quiet --header-filter="^$root/src/" \
            --checks='-*,readability-function-size' --warnings-as-errors='readability-function-size' \
            --config="$config" 2>&1 || true)
    if grep -q 'readability-function-size' <<<"$out"; then
      grep 'readability-function-size' <<<"$out" | sort -u
      echo "functions over 80 lines: split them by step" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: lint.sh format [--fix] | function-size BUILD_DIR" >&2
    exit 2
    ;;
esac
