// The sound-capture file: 16-bit stereo 44100 Hz samples written after a
// 46-byte WAV header that is filled in when the capture ends.
#ifndef OMBREL_SOUND_SOUND_CAPTURE_H
#define OMBREL_SOUND_SOUND_CAPTURE_H

// Writes the header and closes the file; -1 when no capture runs.
int FinishCaptureWaveFile();

#endif
