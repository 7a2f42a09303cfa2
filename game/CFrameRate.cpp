#include "CFrameRate.h"

void CFrameRate::Init(float framesPerSecond) {
  interval = static_cast<int32_t>(1000.0 / framesPerSecond);
  wait = 0;
  lastFrameTime = 0;
  currentTime = 0;
  frameCount = 0.0f;
  rate = 0.0f;
  measuringPeriod = 800;
  lastMeasurementTime = 0;
  textX = 0;
  textY = 0;
  textColour = ComposeColorCode(255, 255, 255);
}

float CFrameRate::Update() {
  frameCount += 1.0f;
  const int32_t elapsed = lastFrameTime - lastMeasurementTime;
  if (elapsed > measuringPeriod) {
    rate = frameCount / elapsed * 1000.0f;
    lastMeasurementTime = lastFrameTime;
    frameCount = 0.0f;
  }
  currentTime = GetTickMilliseconds();
  wait = interval + (lastFrameTime - currentTime);
  if (wait > 0) WaitMilliseconds(wait);
  lastFrameTime = GetTickMilliseconds();
  DrawStringFormatted(textX, textY, textColour, "[%0.1f]", static_cast<double>(rate));
  return rate;
}
