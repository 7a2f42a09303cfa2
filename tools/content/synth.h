// A small synthesiser for the game's music: a piece is a tempo and a few
// voices, each a waveform and a list of notes, read from a text file
// (tools/content/music/*.txt) and rendered to 16-bit mono PCM.
//
//   tempo 120             quarter notes per minute
//   voice lead square 0.30
//   C5.4 D5.2 E5.2 r.4    note (or r for a rest, K S H for drums) '.' length
//                         in sixteenths; a voice's lines run on one after another
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

constexpr int kSampleRate = 44100;

// Renders the piece; false with a message on stderr when the file is malformed.
bool RenderPiece(const std::string& path, std::vector<int16_t>* samples);
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples);
