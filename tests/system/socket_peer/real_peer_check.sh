#!/usr/bin/env bash
# Starts the host-side socket peer, runs the Windows client against it over
# loopback, and ends the peer:
#   real_peer_check.sh PEER WINE_RUN WINE_STATE DEPS_PATH CLIENT
set -euo pipefail
peer=$1 wine_run=$2 state=$3 deps_path=$4 client=$5
work=$(mktemp -d)
port_file=$work/port
"$peer" "$port_file" 560 &
peer_pid=$!
trap 'kill "$peer_pid" 2>/dev/null || true; wait "$peer_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do
  [ -s "$port_file" ] && break
  kill -0 "$peer_pid" 2>/dev/null || { echo "real_peer_check: the peer did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$port_file" ] || { echo "real_peer_check: the peer wrote no port" >&2; exit 1; }
OMBREL_SOCKET_PEER_PORT=$(cat "$port_file")
export OMBREL_SOCKET_PEER_PORT
status=0
"$wine_run" --state "$state" --path "$deps_path" --capture -- "$client" || status=$?
exit "$status"
