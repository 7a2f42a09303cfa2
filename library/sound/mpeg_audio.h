// MPEG audio frame headers and the frame scan of an MP3 file image: where the
// frames lie between a leading ID3v2 tag and a trailing 128-byte "TAG".
#ifndef OMBREL_SOUND_MPEG_AUDIO_H
#define OMBREL_SOUND_MPEG_AUDIO_H

#include <stdint.h>

struct MpegFrameHeader {
  int mpeg1;  // 1 MPEG-1, 0 MPEG-2
  int layer;  // 1, 2 or 3
  int bitrateKbps;
  int samplesPerSec;
  int padding;
  int channels;
  int frameBytes;
  int samplesPerFrame;
};

// 0, -1 for an invalid field, -2 without the frame sync. MPEG 2.5 headers
// have no full sync and give -2.
int ParseMpegAudioFrameHeader(const uint8_t header[4], MpegFrameHeader* out);

struct MpegAudioScan {
  int firstFrameOffset;  // of the first audio frame
  int dataEnd;  // one past the last frame byte that is decoded
  int totalSamples;  // of the audio frames
  MpegFrameHeader firstFrame;  // the first audio frame's header
  // The encoder's delay and padding in samples as a LAME tag states them;
  // -1 without such a tag.
  int encoderDelay;
  int encoderPadding;
};

// Scans a whole file image; 0, or -1 when it holds no frame, a header at a
// sync fails to parse, or the image is 128 bytes or shorter. A first frame
// that carries an encoder's information tag ("Xing", "Info" or "VBRI")
// holds no sound: it is passed over, and only the frames after it are
// counted and described.
int ScanMpegAudioImage(const uint8_t* image, int size, MpegAudioScan* out);

#endif
