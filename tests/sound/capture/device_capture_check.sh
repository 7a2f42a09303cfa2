#!/usr/bin/env bash
# Records what the library's DirectSound output really plays: starts a
# PulseAudio server of its own with a null sink, records the sink's monitor
# with parec while the probe plays in real time under Wine, then has the
# probe check the recording. The last recording is kept as a WAV under the
# artefacts folder.
#   device_capture_check.sh WINE_RUN WINE_STATE PROBE ARTIFACT_DIR
set -euo pipefail
wine_run=$1 wine_state=$2 probe=$3 artifacts=$4
for tool in pulseaudio parec pactl sox; do
  command -v "$tool" >/dev/null || { echo "device capture: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d /tmp/ombrel-capture.XXXXXX)
server_pid="" record_pid=""
cleanup() {
  [ -n "$record_pid" ] && kill "$record_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A server no one else uses: its own home, runtime folder and socket.
export HOME=$work XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config
export PULSE_SERVER=unix:$work/native
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  --log-target=file:"$work/server.log" \
  --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" \
  --load="module-null-sink sink_name=capture rate=44100 channels=2 format=s16le" \
  </dev/null >/dev/null 2>&1 &
server_pid=$!
for i in $(seq 1 100); do
  pactl list short sinks 2>/dev/null | grep -q capture && break
  kill -0 "$server_pid" 2>/dev/null || { echo "device capture: the sound server ended" >&2; cat "$work/server.log" >&2; exit 1; }
  sleep 0.1
done
pactl list short sinks | grep -q capture || { echo "device capture: no null sink" >&2; exit 1; }
pactl set-default-sink capture

# On a busy machine the device itself may run dry or skip a period (Wine's
# mixer drops what it was too late for), which no library can prevent; a
# fault of the library shows in every run. So up to three runs are made and
# one clean run passes.
mkdir -p "$artifacts"
for attempt in 1 2 3; do
  parec -d capture.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=20 \
    > "$work/recording.raw" 2>"$work/parec.log" &
  record_pid=$!
  sleep 0.5
  "$wine_run" --state "$wine_state" --capture "$probe" play
  sleep 0.5
  kill "$record_pid" 2>/dev/null || true
  wait "$record_pid" 2>/dev/null || true
  record_pid=""
  sox -t raw -r 44100 -c 2 -b 16 -e signed-integer "$work/recording.raw" \
    "$artifacts/device_capture.wav"
  echo "run $attempt:"
  if "$wine_run" --state "$wine_state" --capture "$probe" analyse "$work/recording.raw"; then
    exit 0
  fi
done
exit 1
