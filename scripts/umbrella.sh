#!/usr/bin/env bash
# Rewrites src/tn.h so that it includes every public header of the library (not app/).
set -euo pipefail
cd "$(dirname "$0")/../src"
{
  echo "#ifndef TN_TN_H"
  echo "#define TN_TN_H"
  echo
  echo "// Everything the tarn library offers, in one include."
  echo
  for dir in core diag protocol model config server; do
    for h in $(ls "$dir"/*.h 2>/dev/null | sort); do
      echo "#include \"$h\""
    done
  done
  echo
  echo "#endif"
} > tn.h
