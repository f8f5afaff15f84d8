#!/bin/sh
# Runs one libFuzzer target for a bounded time.
#   usage: run-fuzzer.sh BINARY WORK_DIR SEED_CORPUS_DIR SECONDS
# New inputs go to WORK_DIR (in the build tree); the seed corpus beside the source is only
# read, so a fuzz run never changes the checkout.
set -eu
bin=$1 work=$2 seeds=$3 seconds=$4
mkdir -p "$work"
set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work"
[ -d "$seeds" ] && set -- "$@" "$seeds"
exec "$bin" "$@"
