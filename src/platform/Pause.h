#pragma once

#include <chrono>

// Every fixed pause of the program goes through here, so tests can run the
// same code with the pauses scaled down. The program runs in real time.
// On a worker thread of a WorkerSet the pause ends as soon as the worker is
// asked to stop, so an owner waiting for its workers is never held by their pacing.
void Pause(std::chrono::milliseconds duration);

// 1.0 is real time; 0.01 makes a 300 ms pause last 3 ms. Thread-safe.
void SetPauseScale(double scale);
double PauseScale();
