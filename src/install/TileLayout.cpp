#include "install/TileLayout.h"

#include <cstddef>

std::vector<TileOrigin> TileOrigins(int x, int y, int width, int height, int right, int bottom)
{
    std::vector<TileOrigin> origins;
    if (width <= 0 || height <= 0 || right < 0 || bottom < 0)
        return origins;
    origins.reserve(static_cast<std::size_t>(right / width + 1) *
                    static_cast<std::size_t>(bottom / height + 1));
    // The steps are tested as "room left for one more", which cannot overflow.
    for (int column = 0;; column += width) {
        for (int row = 0;; row += height) {
            origins.push_back({x + column, y + row});
            if (bottom - row < height)
                break;
        }
        if (right - column < width)
            break;
    }
    return origins;
}
