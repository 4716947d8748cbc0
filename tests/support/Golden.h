// Golden images: pictures kept under tests/golden that a drawing must reproduce pixel for pixel.
//
// With the environment variable KELVANE_UPDATE_GOLDEN=1 the images are written afresh instead
// of compared; do that only after a deliberate change of the drawing, and look at every image
// that changed before committing it.
#pragma once

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

// The folder of the golden images in the source tree.
QString GoldenFolder();

// Success when image and the golden image name (without ".png") have the same size and the
// same colour in every pixel. A failure tells how many pixels differ and where, and keeps the
// drawn image beside a difference map in a folder named in the message.
::testing::AssertionResult MatchesGolden(const QImage& image, const QString& name);
