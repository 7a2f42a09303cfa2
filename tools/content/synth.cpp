#include "synth.h"

#include <math.h>
#include <stdio.h>

#include <fstream>
#include <sstream>

namespace {

struct Note {
  double start, length;  // seconds
  char kind;             // 'n' pitched, 'K' kick, 'S' snare, 'H' hat
  double frequency;
};

struct Voice {
  std::string wave;
  double volume = 0.3;
  std::vector<Note> notes;
  double end = 0;
};

// Note names to semitones above C.
int Semitone(char name) {
  static const int kSteps[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  return kSteps[name - 'A'];
}

bool ParseNote(const std::string& token, double sixteenth, Voice* voice) {
  const size_t dot = token.find('.');
  if (dot == std::string::npos || dot == 0) return false;
  const int steps = atoi(token.c_str() + dot + 1);
  if (steps <= 0) return false;
  Note note{voice->end, steps * sixteenth, 'n', 0};
  const std::string head = token.substr(0, dot);
  if (head == "r") {
    voice->end += note.length;
    return true;
  }
  if (head == "K" || head == "S" || head == "H") {
    note.kind = head[0];
  } else {
    if (head[0] < 'A' || head[0] > 'G') return false;
    size_t i = 1;
    int semitone = Semitone(head[0]);
    if (i < head.size() && head[i] == '#') semitone++, i++;
    if (i < head.size() && head[i] == 'b') semitone--, i++;
    if (i >= head.size() || head[i] < '0' || head[i] > '8') return false;
    const int midi = 12 * (head[i] - '0' + 1) + semitone;
    note.frequency = 440.0 * pow(2.0, (midi - 69) / 12.0);
  }
  voice->notes.push_back(note);
  voice->end += note.length;
  return true;
}

// A fixed noise sequence, so the drums sound the same on every build.
uint32_t NextNoise(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 16;
}

double Oscillator(const std::string& wave, double phase) {
  const double f = phase - floor(phase);
  if (wave == "square") return f < 0.5 ? 0.6 : -0.6;
  if (wave == "pulse") return f < 0.25 ? 0.6 : -0.6;
  if (wave == "triangle") return f < 0.5 ? 4 * f - 1 : 3 - 4 * f;
  if (wave == "saw") return (2 * f - 1) * 0.6;
  return sin(2 * M_PI * f);
}

void RenderNote(const Voice& voice, const Note& note, std::vector<double>* mix, uint32_t* noise) {
  const size_t first = size_t(note.start * kSampleRate);
  const double release = 0.04;
  const size_t count = size_t((note.length + release) * kSampleRate);
  double lowPass = 0;
  for (size_t i = 0; i < count && first + i < mix->size(); ++i) {
    const double t = double(i) / kSampleRate;
    double value;
    if (note.kind == 'n') {
      // Attack, a gentle decay to a sustain level, and a release after the note.
      double envelope = t < 0.008 ? t / 0.008 : 0.75 + 0.25 * exp(-(t - 0.008) * 12);
      if (t > note.length) envelope *= 1 - (t - note.length) / release;
      const double vibrato = t > 0.25 ? 0.003 * sin(2 * M_PI * 5.5 * t) : 0;
      value = Oscillator(voice.wave, note.frequency * t * (1 + vibrato)) * envelope;
    } else if (note.kind == 'K') {
      const double pitch = 50 + 110 * exp(-t * 30);
      value = sin(2 * M_PI * pitch * t) * exp(-t * 14) * 1.4;
    } else {
      const double white = (NextNoise(noise) / 32768.0) - 1;
      if (note.kind == 'S') {
        lowPass += (white - lowPass) * 0.5;
        value = lowPass * exp(-t * 20) + sin(2 * M_PI * 190 * t) * exp(-t * 30) * 0.4;
      } else {
        lowPass += (white - lowPass) * 0.9;
        value = (white - lowPass) * exp(-t * 60) * 0.8;
      }
    }
    (*mix)[first + i] += value * voice.volume;
  }
}

}  // namespace

bool RenderPiece(const std::string& path, std::vector<int16_t>* samples) {
  std::ifstream in(path);
  if (!in) {
    fprintf(stderr, "%s: cannot read\n", path.c_str());
    return false;
  }
  double tempo = 0;
  std::vector<Voice> voices;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') continue;
    if (word == "tempo") {
      words >> tempo;
    } else if (word == "voice") {
      Voice voice;
      std::string name;
      words >> name >> voice.wave >> voice.volume;
      voices.push_back(voice);
    } else {
      if (tempo <= 0 || voices.empty()) {
        fprintf(stderr, "%s:%d: notes before tempo and voice\n", path.c_str(), number);
        return false;
      }
      const double sixteenth = 60.0 / tempo / 4;
      do {
        if (!ParseNote(word, sixteenth, &voices.back())) {
          fprintf(stderr, "%s:%d: bad note %s\n", path.c_str(), number, word.c_str());
          return false;
        }
      } while (words >> word);
    }
  }
  double length = 0;
  for (const Voice& v : voices) length = v.end > length ? v.end : length;
  if (length <= 0) {
    fprintf(stderr, "%s: no notes\n", path.c_str());
    return false;
  }
  std::vector<double> mix(size_t(length * kSampleRate), 0.0);
  uint32_t noise = 12345;
  for (const Voice& v : voices)
    for (const Note& n : v.notes) RenderNote(v, n, &mix, &noise);
  samples->resize(mix.size());
  for (size_t i = 0; i < mix.size(); ++i) {
    const double s = tanh(mix[i]) * 30000;  // soft limit instead of clipping
    (*samples)[i] = int16_t(lrint(s));
  }
  return true;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples) {
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  auto put32 = [&](uint32_t v) { fwrite(&v, 4, 1, out); };
  auto put16 = [&](uint16_t v) { fwrite(&v, 2, 1, out); };
  fwrite("RIFF", 1, 4, out);
  put32(36 + dataBytes);
  fwrite("WAVEfmt ", 1, 8, out);
  put32(16);
  put16(1);
  put16(1);
  put32(kSampleRate);
  put32(kSampleRate * 2);
  put16(2);
  put16(16);
  fwrite("data", 1, 4, out);
  put32(dataBytes);
  const bool ok = fwrite(samples.data(), 2, samples.size(), out) == samples.size();
  return fclose(out) == 0 && ok;
}
