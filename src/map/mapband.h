#pragma once
// The map-style page drawn band by band: the grid of a map file with the ten
// small pictures, drawn as the window's Redraw draws it.
#include "formats/bandsource.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace ptt {

// A columns x rows grid whose cells take small picture 1's size, its cells
// read from the map file as 载入地图 reads them (values outside 0 to 10 and
// cells beyond a short file are empty), on the window's colours. The small
// pictures are the built-in ones (an empty list) or exactly ten files, file k
// in slot k + 1. The path is used as given. Returns nullptr with a one-line
// *error for a refused grid size, a wrong number of pictures, or a map file
// or picture that cannot be read.
std::unique_ptr<BandSource> makeMapBandSource(const QString &mapPath, int columns, int rows,
                                              const QStringList &pictureFiles, QString *error);

} // namespace ptt
