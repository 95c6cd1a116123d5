// The RGB cube search for large palettes. Each entry claims cells outward from
// its own cell: blue cells along a green line, green lines within a red
// plane, red planes up and down. A pass stops at the first cell, line or
// plane past the region where the entry is nearer, and the min/max bounds of
// each level shrink with that region, so an entry visits little more than
// the cells it wins. Distances come from per-axis tables, exact at every
// cell.
#include "InverseColorMap.h"

namespace rz::color {
namespace {

// One level (green or blue) of the search: where its lines start and the
// bounds its passes may reach. Kept between lines of one entry.
struct LevelState {
    int here;
    int min;
    int max;
    int prevMin;
    int prevMax;
};

// The search state of one cube build, on the builder's stack: every field is
// set afresh for each entry, so nothing carries from one build to the next,
// and builds on different threads share nothing.
struct SearchState {
    int cells; // per axis
    int index; // palette entry being placed
    std::uint32_t dr[32], dg[32], db[32];
    std::uint32_t planeBase; // dr of the current red plane
    std::uint32_t* distances;
    std::uint8_t* cube;
    int red;   // current plane
    int green; // current line
    int ownGreen;
    int ownBlue;
    LevelState greenLevel;
    LevelState blueLevel;
};

void Restart(LevelState& level, int own, int cells) {
    level.here = own;
    level.min = 0;
    level.max = cells - 1;
    level.prevMax = 0;
    level.prevMin = cells;
}

void UpdateBounds(LevelState& level, int lineMin, int lineMax) {
    if (lineMax < level.prevMax) level.max = lineMax;
    if (lineMin > level.prevMin) level.min = lineMin;
    level.prevMax = lineMax;
    level.prevMin = lineMin;
}

bool BlueLevel(SearchState& st, bool restart) {
    LevelState& lv = st.blueLevel;
    if (restart) Restart(lv, st.ownBlue, st.cells);
    const std::size_t line = (static_cast<std::size_t>(st.red) * st.cells + st.green) * st.cells;
    std::uint32_t* dist = st.distances + line;
    std::uint8_t* out = st.cube + line;
    const std::uint32_t base = st.planeBase + st.dg[st.green];
    const std::uint32_t* db = st.db;
    const auto index = static_cast<std::uint8_t>(st.index);
    bool found = false;
    int lineMin = lv.min;
    int lineMax = lv.max;

    int b = lv.here;
    for (; b <= lv.max; ++b) {
        if (dist[b] > base + db[b]) {
            if (b > lv.here) {
                lv.here = b;
                lineMin = b;
            }
            found = true;
            break;
        }
    }
    for (; b <= lv.max; ++b) {
        const std::uint32_t d = base + db[b];
        if (dist[b] <= d) {
            lineMax = b - 1;
            break;
        }
        dist[b] = d;
        out[b] = index;
    }

    b = lv.here - 1;
    if (!found) {
        for (; b >= lv.min; --b) {
            if (dist[b] > base + db[b]) {
                lv.here = b;
                lineMax = b;
                found = true;
                break;
            }
        }
    }
    for (; b >= lv.min; --b) {
        const std::uint32_t d = base + db[b];
        if (dist[b] <= d) {
            lineMin = b + 1;
            break;
        }
        dist[b] = d;
        out[b] = index;
    }

    if (found) UpdateBounds(lv, lineMin, lineMax);
    return found;
}

bool GreenLevel(SearchState& st, bool restart) {
    LevelState& lv = st.greenLevel;
    if (restart) Restart(lv, st.ownGreen, st.cells);
    bool found = false;
    int lineMin = lv.min;
    int lineMax = lv.max;

    bool first = true;
    for (int g = lv.here; g <= lv.max; ++g, first = false) {
        st.green = g;
        if (BlueLevel(st, first)) {
            if (!found) {
                if (g > lv.here) {
                    lv.here = g;
                    lineMin = g;
                }
                found = true;
            }
        } else if (found) {
            lineMax = g - 1;
            break;
        }
    }
    first = true;
    for (int g = lv.here - 1; g >= lv.min; --g, first = false) {
        st.green = g;
        if (BlueLevel(st, first)) {
            if (!found) {
                lv.here = g;
                lineMax = g;
                found = true;
            }
        } else if (found) {
            lineMin = g + 1;
            break;
        }
    }

    if (found) UpdateBounds(lv, lineMin, lineMax);
    return found;
}

void RedLevel(SearchState& st, int ownRed) {
    bool found = false;
    bool first = true;
    for (int r = ownRed; r < st.cells; ++r, first = false) {
        st.red = r;
        st.planeBase = st.dr[r];
        if (GreenLevel(st, first))
            found = true;
        else if (found)
            break;
    }
    first = true;
    for (int r = ownRed - 1; r >= 0; --r, first = false) {
        st.red = r;
        st.planeBase = st.dr[r];
        if (GreenLevel(st, first))
            found = true;
        else if (found)
            break;
    }
}

// Distance of component c to every cell of one axis: the squared distance to
// the cell centre plus 2(c mod x) - x + 1.
void RgbAxisDistances(int c, int cells, int x, std::uint32_t* out) {
    for (int k = 0; k < cells; ++k) {
        const int a = c - x * k - x / 2;
        out[k] = static_cast<std::uint32_t>(a * a + 2 * (c % x) - x + 1);
    }
}

} // namespace

void SearchRgbCube(int count, const RGBQUAD* palette, int bitsPerAxis, std::uint32_t* distances,
                   std::uint8_t* cube) {
    SearchState st;
    st.cells = 1 << bitsPerAxis;
    const int x = 1 << (8 - bitsPerAxis);
    const int shift = 8 - bitsPerAxis;
    const std::size_t cellCount = std::size_t{1} << (3 * bitsPerAxis);
    for (std::size_t i = 0; i < cellCount; ++i) distances[i] = 0xFFFFFFFFu;
    st.distances = distances;
    st.cube = cube;
    for (int i = 0; i < count; ++i) {
        const RGBQUAD& entry = palette[i];
        st.index = i;
        RgbAxisDistances(entry.rgbRed, st.cells, x, st.dr);
        RgbAxisDistances(entry.rgbGreen, st.cells, x, st.dg);
        RgbAxisDistances(entry.rgbBlue, st.cells, x, st.db);
        st.ownGreen = entry.rgbGreen >> shift;
        st.ownBlue = entry.rgbBlue >> shift;
        RedLevel(st, entry.rgbRed >> shift);
    }
}

} // namespace rz::color
