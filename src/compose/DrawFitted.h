#pragma once

#include <QRect>
#include <QSize>

// Where a picture of `image` pixels is drawn in a control of `control`
// pixels: centred, keeping its shape, about 10 pixels inside the edges.
// Pure arithmetic shared by the picture box and the picture preview.
// Pictures under about 11 pixels give an empty rectangle.
QRect FittedRect(QSize image, QSize control);
