#pragma once
// Where a tiled picture is drawn: the tile origins over a window's client area.

#include <vector>

struct TileOrigin {
    int x;
    int y;
    bool operator==(const TileOrigin&) const = default;
};

// The origins of a width x height picture tiled from offset x, y over a client area
// whose right and bottom edges are given: columns c = 0, width, 2 * width, ... while
// c <= right (outer loop), rows r = 0, height, ... while r <= bottom, each at x + c,
// y + r. Both limits count, so a tile starting on an edge is included. A picture
// without width or height gives none.
std::vector<TileOrigin> TileOrigins(int x, int y, int width, int height, int right, int bottom);
