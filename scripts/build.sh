#!/usr/bin/env bash
# build.sh <build folder> [cmake options...]: configures and builds one tree, with JOBS parallel
# jobs (all processors unless set).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"${JOBS:-$(nproc)}"
