#!/usr/bin/env bash
# The format leg of scripts/test.sh: every C and C++ file laid out as
# .clang-format says, every shell script clean under shellcheck
# (.shellcheckrc), the JavaScript clean under eslint (its rules in
# scripts/lint/eslint.config.mjs; eslint itself installed by scripts/setup.sh
# into scripts/lint/node_modules at the version its lock file pins). Runs
# all three and fails when any found something, saying where. Needs no
# network.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0

echo "-- C and C++: clang-format"
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror || status=1

echo "-- Shell scripts: shellcheck"
# The *.sh files, and the scripts named otherwise: CI's entry and the
# template of draxo-webcc, the wrappers of the compiler for wasm32-wasip1.
git ls-files -z -- '*.sh' .ci/run package/window_system/web/draxo-webcc.in 'web/toolchain/bin/*' | xargs -0 shellcheck || status=1

echo "-- JavaScript: eslint"
eslint=scripts/lint/node_modules/.bin/eslint
if [ ! -x "$eslint" ]; then
  echo "eslint is not installed in scripts/lint/node_modules: run scripts/setup.sh" >&2
  exit 1
fi
git ls-files -z -- '*.js' '*.mjs' |
  xargs -0 "$eslint" --config scripts/lint/eslint.config.mjs --max-warnings 0 || status=1

exit $status
