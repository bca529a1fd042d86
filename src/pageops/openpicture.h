#pragma once
// The picture chooser every window's "open a picture" shares: the four-entry
// filter, a cancel counted as a failure, then the picture loader. Any failure
// (cancel, unreadable file, not a picture) ends silently with nothing.
#include "formats/picture.h"

#include <optional>

namespace ptt {

class CommonDialog;

std::optional<Picture> ChoosePicture(CommonDialog &dialog);

} // namespace ptt
