#include "quality/Decimation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The column of x within xFrom..xTo; the right edge belongs to the last column.
std::size_t ColumnOf(double x, double xFrom, double width, unsigned columns) {
    const auto column = static_cast<std::size_t>((x - xFrom) / width);
    return std::min<std::size_t>(column, columns - 1);
}

void EmitColumn(std::span<const ChartPoint> column, std::vector<ChartPoint>& out) {
    const auto [min, max] =
        std::minmax_element(column.begin(), column.end(),
                            [](const ChartPoint& a, const ChartPoint& b) { return a.Y < b.Y; });
    const auto first = std::min(min, max);
    out.push_back(*first);
    if (min->Y != max->Y) {
        out.push_back(*std::max(min, max));
    }
}

} // namespace

std::vector<ChartPoint> DecimateMinMax(std::span<const ChartPoint> points, double xFrom, double xTo,
                                       unsigned columns) {
    std::vector<ChartPoint> out;
    if (columns == 0 || !(xTo > xFrom) || !std::isfinite(xFrom) || !std::isfinite(xTo)) {
        return out;
    }
    const double width = (xTo - xFrom) / columns;
    const auto inRange = [&](const ChartPoint& p) { return p.X >= xFrom && p.X <= xTo; };
    std::size_t start = 0;
    while (start < points.size()) {
        if (!inRange(points[start])) {
            ++start;
            continue;
        }
        const std::size_t column = ColumnOf(points[start].X, xFrom, width, columns);
        std::size_t end = start + 1;
        while (end < points.size() && inRange(points[end]) &&
               ColumnOf(points[end].X, xFrom, width, columns) == column) {
            ++end;
        }
        EmitColumn(points.subspan(start, end - start), out);
        start = end;
    }
    return out;
}
