#!/usr/bin/env bash
# Makes the real-file table of the sound and movie tests with the machine's
# own encoders, and beside each file what the encoder's own decoder makes of
# it (".ref": raw PCM, or raw planes for movies). Run by ctest before the
# tests that read them; any missing tool fails loudly.
set -euo pipefail
out=${1:?usage: make_real_files.sh OUTDIR}
rm -rf "$out.tmp"
mkdir -p "$out.tmp"
cd "$out.tmp"
for tool in sox oggenc oggdec lame ffmpeg; do
  command -v "$tool" >/dev/null || { echo "make_real_files: $tool is not installed" >&2; exit 1; }
done

# Two tones a fifth apart, one per channel, so a swapped or shifted channel shows.
tone() {  # rate channels bits seconds file [sox output options...]
  local rate=$1 channels=$2 bits=$3 seconds=$4 file=$5
  shift 5
  local encoding=signed-integer
  [ "$bits" = 8 ] && encoding=unsigned-integer
  if [ "$channels" = 1 ]; then
    sox -R -n -r "$rate" -c 1 -b "$bits" -e "$encoding" "$@" "$file" synth "$seconds" sine 440 vol 0.7
  else
    sox -R -n -r "$rate" -c 2 -b "$bits" -e "$encoding" "$@" "$file" synth "$seconds" sine 440 sine 660 vol 0.7
  fi
}
raw_of() {  # wav -> raw PCM as the file holds it
  sox "$1" -t raw "${1%.*}.ref"
}

tone 8000 1 8 0.7 pcm_u8_mono_8000.wav
tone 11025 2 8 0.5 pcm_u8_stereo_11025.wav
tone 22050 1 16 0.6 pcm_s16_mono_22050.wav
tone 44100 2 16 0.4 pcm_s16_stereo_44100.wav
tone 7350 2 16 0.9 pcm_s16_stereo_7350.wav
# A LIST chunk between "fmt " and "data", as tagging tools write it.
tone 32000 2 16 0.5 list_tmp.wav
ffmpeg -loglevel error -i list_tmp.wav -c:a pcm_s16le -metadata title="Moonlit test" \
  pcm_s16_stereo_32000_list.wav
rm list_tmp.wav
for f in pcm_*.wav; do raw_of "$f"; done

# What only DirectShow opens: 24-bit samples in a WAVE_FORMAT_EXTENSIBLE
# record, and a WAV whose first chunk is "JUNK" (room kept for a 64-bit
# header). The reference is the samples as sox reads them.
tone 44100 2 24 0.5 dshow_s24_stereo_44100.wav
sox dshow_s24_stereo_44100.wav -t raw dshow_s24_stereo_44100.ref
tone 22050 2 16 0.5 junk_src.wav
ffmpeg -loglevel error -i junk_src.wav -c:a pcm_s16le -rf64 auto dshow_junk_first_22050.wav
sox junk_src.wav -t raw dshow_junk_first_22050.ref
rm junk_src.wav

# ADPCM from sox; the reference is sox's own decode to 16-bit.
tone 22050 1 16 0.8 adpcm_src_mono.wav
tone 22050 2 16 0.8 adpcm_src_stereo.wav
sox adpcm_src_mono.wav -e ima-adpcm ima_mono_22050.wav
sox adpcm_src_stereo.wav -e ima-adpcm ima_stereo_22050.wav
sox adpcm_src_mono.wav -e ms-adpcm ms_mono_22050.wav
sox adpcm_src_stereo.wav -e ms-adpcm ms_stereo_22050.wav
rm adpcm_src_*.wav
for f in ima_*.wav ms_*.wav; do sox "$f" -t raw -e signed-integer -b 16 "${f%.wav}.ref"; done

# Ogg Vorbis; the reference is oggdec's 16-bit little-endian decode.
tone 44100 2 16 1.2 vorbis_src.wav
tone 22050 1 16 0.9 vorbis_src_mono.wav
oggenc -Q -q 3 -o vorbis_stereo_44100.ogg vorbis_src.wav
oggenc -Q -q 1 -o vorbis_mono_22050.ogg vorbis_src_mono.wav
rm vorbis_src*.wav
for f in vorbis_*.ogg; do oggdec -Q -R -o "${f%.ogg}.ref" "$f"; done

# MP3: CBR with and without the Info frame, VBR with a Xing frame (a mono
# low-rate one whose Xing frame is coded at a higher rate than its audio),
# and MPEG 2.5 at 8 kHz. The reference is lame's own decode, which trims
# the encoder delay and padding its tag states.
tone 44100 2 16 1.5 mp3_src.wav
tone 22050 1 16 1.5 mp3_src_mono.wav
tone 8000 1 16 1.5 mp3_src_8000.wav
lame --quiet -b 128 mp3_src.wav mp3_cbr_info.mp3
lame --quiet -b 128 -t mp3_src.wav mp3_cbr_notag.mp3
lame --quiet -V 4 mp3_src.wav mp3_vbr_xing.mp3
lame --quiet -V 9 -m m mp3_src_mono.wav mp3_vbr_mono_22050.mp3
lame --quiet -b 16 -m m mp3_src_8000.wav mp3_mpeg25_8000.mp3
rm mp3_src*.wav
for f in mp3_*.mp3; do
  lame --quiet --decode "$f" dec.wav
  sox dec.wav -t raw "${f%.mp3}.ref"
  rm dec.wav
done

# Theora at sizes that are not multiples of 16, in each chroma layout; the
# reference is ffmpeg's decode to the same planes.
for layout in 420 422 444; do
  ffmpeg -loglevel error -f lavfi -i "testsrc=size=168x100:rate=10" -frames:v 4 \
    -pix_fmt "yuv${layout}p" -c:v libtheora -q:v 8 "theora_${layout}_168x100.ogv"
  ffmpeg -loglevel error -i "theora_${layout}_168x100.ogv" -f rawvideo -pix_fmt "yuv${layout}p" \
    "theora_${layout}_168x100.ref"
done

cd ..
rm -rf "$out"
mv "$out.tmp" "$out"
