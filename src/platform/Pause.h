#pragma once

#include <chrono>

// Every fixed pause of the program goes through here, so tests can run the
// same code with the pauses scaled down. The program runs in real time.
void Pause(std::chrono::milliseconds duration);

// 1.0 is real time; 0.01 makes a 300 ms pause last 3 ms. Thread-safe.
void SetPauseScale(double scale);
double PauseScale();
