#pragma once

#include <QByteArray>

// The pictures the simulated camera produces: JPEGs that show a counter in
// large digits, so a person and a test can tell shots and frames apart. The
// same counter always gives the same bytes.
namespace SimulatedPictures {

// A 3:2 shot of 1500 by 1000 pixels showing "shot" number counter.
QByteArray Shot(int counter);

// A live-view frame (480 by 320 pixels unless told) showing frame number counter.
QByteArray LiveViewFrame(int counter, int width = 480, int height = 320);

} // namespace SimulatedPictures
