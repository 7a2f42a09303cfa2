#!/usr/bin/env bash
# Prints how many compile jobs to run at once: one per processor plus
# EXTRA_JOBS, but no more than the free memory holds at MB_PER_JOB each, so
# that the largest units (the pixel loops and their tests) built side by side
# cannot exhaust it.
# Usage: tools/jobs.sh MB_PER_JOB [EXTRA_JOBS]
set -euo pipefail
avail_kb=$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo)
jobs=$(( avail_kb / ($1 * 1024) ))
most=$(( $(nproc) + ${2:-0} ))
[ "$jobs" -le "$most" ] || jobs=$most
[ "$jobs" -ge 1 ] || jobs=1
echo "$jobs"
