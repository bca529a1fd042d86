#pragma once
// The pictures stored with the main window: the pattern and twelve samples.
#include "formats/picture.h"

namespace ptt {

// A picture compiled into the program, by resource path (":/pictures/...").
Picture storedPicture(const QString &resourcePath);

Picture patternPicture();
// k from 1 to 12.
Picture samplePicture(int k);
QString samplePicturePath(int k);

} // namespace ptt
