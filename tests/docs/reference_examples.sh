#!/usr/bin/env bash
# Builds every C example of the reference against the package: complete
# programs (those with WinMain or main) as they are; the operations'
# declarations at file scope after draxo.h, so that they must match it; and
# every other example as the body of a function (after stdio.h and
# string.h), all of those linked into one program so that each name they use
# must exist.
# Usage: reference_examples.sh REFERENCE.md CC INCLUDE_DIR LIBRARY_DIR MAIN_LIBRARY_DIR
set -euo pipefail
reference=$1 cc=$2 include_dir=$3 library_dir=$4 main_library_dir=$5

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One file per ```c block, numbered in order, with the line it starts on.
awk -v dir="$scratch" '
  /^```c$/ { n++; file = sprintf("%s/block%03d.c", dir, n); printf "%d\n", NR > (file ".line"); inside = 1; next }
  /^```/ && inside { inside = 0; close(file); next }
  inside { print > file }
' "$reference"

flags=(-std=c11 -Wall -Wextra -Werror -I "$include_dir")
libraries=(-L "$library_dir" -L "$main_library_dir" "-Wl,-rpath,$library_dir" -ldraxo_main -ldraxo -lm)
failures=0 programs=0 declarations=0 fragments=0
fragment_objects=()
for block in "$scratch"/block*.c; do
  line=$(cat "$block.line")
  source=$block.source.c
  if grep -q -E '(WinMain|int main)\(' "$block"; then
    kind=program
    cp "$block" "$source"
  elif head -n 1 "$block" | grep -q -E '^int DRAXO_[a-z_]+\('; then
    kind=declarations
    { echo '#include "draxo.h"'; cat "$block"; } > "$source"
  else
    kind=fragment
    name=$(basename "$block" .c)
    { echo '#include <stdio.h>'; echo '#include <string.h>'; echo '#include "draxo.h"'; echo "void reference_$name(void);";
      echo "void reference_$name(void) {"; cat "$block"; echo '}'; } > "$source"
  fi
  # A declaration must be one of the header's.
  if [ $kind = declarations ]; then
    while read -r name; do
      grep -q -E "\b$name\(" "$include_dir/draxo.h" || echo "$name is not declared in draxo.h" >> "$block.missing"
    done < <(grep -o -E '^int DRAXO_[a-z_]+\(' "$block" | sed 's/^int //; s/($//')
  fi
  if [ $kind = program ]; then
    "$cc" "${flags[@]}" "$source" "${libraries[@]}" -o "$block.program" 2> "$block.log" && ok=1 || ok=0
    programs=$((programs + 1))
  else
    "$cc" "${flags[@]}" -c "$source" -o "$block.o" 2> "$block.log" && ok=1 || ok=0
    [ $kind = fragment ] && fragment_objects+=("$block.o") && fragments=$((fragments + 1))
    [ $kind = declarations ] && declarations=$((declarations + 1))
  fi
  if [ -s "$block.missing" ]; then
    cat "$block.missing" >> "$block.log"
    ok=0
  fi
  if [ "$ok" = 0 ]; then
    echo "FAIL: the example at line $line of the reference ($kind) does not build:" >&2
    cat "$block.log" >&2
    failures=$((failures + 1))
  fi
done

# The fragments together, so that every name they use must be defined.
if [ $failures = 0 ] && [ ${#fragment_objects[@]} -gt 0 ]; then
  echo 'int main(void) { return 0; }' > "$scratch/main.c"
  "$cc" "${flags[@]}" "$scratch/main.c" "${fragment_objects[@]}" "${libraries[@]}" -o "$scratch/fragments" 2> "$scratch/link.log" ||
    { cat "$scratch/link.log" >&2; echo "FAIL: the fragments do not link" >&2; failures=$((failures + 1)); }
fi

echo "$programs programs, $declarations declaration blocks, $fragments fragments"
[ $((programs + declarations + fragments)) -gt 0 ] || { echo "FAIL: no C example found" >&2; exit 1; }
[ $failures = 0 ] || exit 1
echo "reference_examples passed"
