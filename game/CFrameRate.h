// Measures the frames per second of the loop and shows the rate in the
// corner; with a target rate above what the loop reaches it never waits.
#ifndef MOONLITCAIRN_CFRAMERATE_H
#define MOONLITCAIRN_CFRAMERATE_H

#include <stdint.h>

#include "Ombrel.h"

class CFrameRate {
 public:
  void Init(float framesPerSecond);
  // Counts the frame, measures, waits out the interval and draws the rate;
  // returns the measured rate.
  float Update();

  int32_t interval = 0;  // milliseconds between frames
  int32_t wait = 0;      // waited in the last step; not above 0: nothing waited
  int32_t lastFrameTime = 0;
  int32_t currentTime = 0;
  float frameCount = 0.0f;
  float rate = 0.0f;
  int32_t measuringPeriod = 800;
  int32_t lastMeasurementTime = 0;
  int32_t textX = 0;
  int32_t textY = 0;
  ColorCode textColour = 0;
};

#endif
