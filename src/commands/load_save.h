#pragma once

namespace kov {

struct Station;

// "Load..." (LoadPts): replaces the point list with the points of a chosen file. The file is read
// whole first, so a file that cannot be read leaves the list, the point count and the current
// point file (the FileDisplay caption) as they were.
void LoadPts(Station& st);

// "Save..." (SavePoints): writes the list to a chosen file through the safe file writer, so a
// failed save never destroys the file that was there.
void SavePoints(Station& st);

}  // namespace kov
