#!/usr/bin/env bash
# Builds Keyglance with warnings as errors under ASan + UBSan and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug \
    -DKEYGLANCE_BUILD_TESTS=ON -DKEYGLANCE_WERROR=ON -DKEYGLANCE_SANITIZE=ON
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)"
