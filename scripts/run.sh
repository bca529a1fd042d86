#!/bin/bash
# Builds the program if needed and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"${PTT_JOBS:-$(nproc)}"
exec build/src/pintietong "$@"
