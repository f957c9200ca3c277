#!/usr/bin/env bash
# The package's shared library exports exactly the DRAXO_ operations its
# public header declares: nothing of the package's inside, and none of the
# standard library's template instantiations the package uses (a random
# engine, a thread's state), which a client could otherwise bind to and
# which would clash with its own. Also that no operation is missing.
# Arguments: the library (a shared object, or a DLL), the public header, and
# the tool that reads its symbols (nm for a shared object, objdump for a DLL).
set -euo pipefail
library=$1
header=$2
tool=$3

# The declarations start their line: DRAXO_API int DRAXO_name(...
declared=$(grep -E '^DRAXO_API ' "$header" | sed -E 's/^[^(]*[ *](DRAXO_[A-Za-z0-9_]+)\(.*/\1/' | sort)
case $library in
  *.dll)
    # The names of the export table, one a line after its heading.
    exported=$("$tool" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n -E 's/^[[:space:]]*\[ *[0-9]+\] (.*)$/\1/p' | sort)
    ;;
  *)
    # Every defined dynamic symbol, whatever its kind (code, data, weak),
    # without a version a version script might have given it.
    exported=$("$tool" -D --defined-only "$library" | awk '{print $NF}' | sed 's/@.*//' | sort)
    ;;
esac

if [ -z "$declared" ]; then
  echo "FAIL: no DRAXO_API declarations found in $header" >&2
  exit 1
fi
if [ "$exported" != "$declared" ]; then
  echo "FAIL: $library does not export exactly the DRAXO_ operations of $header" >&2
  comm -13 <(echo "$declared") <(echo "$exported") | c++filt | sed 's/^/  exported, not declared: /' >&2
  comm -23 <(echo "$declared") <(echo "$exported") | sed 's/^/  declared, not exported: /' >&2
  exit 1
fi
echo "$library exports the $(echo "$exported" | wc -l) DRAXO_ operations of $header and nothing else"
