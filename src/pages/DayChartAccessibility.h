#pragma once

namespace aq {

// Makes the day chart readable by screen readers (a chart whose value names
// the curve and the point the keyboard holds). Safe to call repeatedly.
void installDayChartAccessibility();

}  // namespace aq
