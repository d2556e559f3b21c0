#!/usr/bin/env bash
# Installs the built project into a scratch prefix, then configures, builds and runs a host
# project that finds it with find_package(tablique).
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cmake -S "$source/tests/install/consumer" -B "$scratch/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$scratch/prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/build" -j 2 >/dev/null
"$scratch/build/consumer"
if [ -x "$scratch/build/consumer_widget" ]; then
  QT_QPA_PLATFORM=offscreen "$scratch/build/consumer_widget"
fi
echo "installed package found and used"
