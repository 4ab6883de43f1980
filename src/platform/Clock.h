#pragma once

#include <QDateTime>

#include <functional>

// Every reading of the local time goes through here, so tests can fix it.
namespace Clock {

QDateTime Now();

// Replaces the time source until Reset(); the source may be called from any thread.
void Fix(std::function<QDateTime()> source);
void Reset();

} // namespace Clock
