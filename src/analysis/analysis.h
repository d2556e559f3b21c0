// Sorting, ranking and descriptive statistics on plain arrays of numbers; the control's psort
// and statis read the column, call these and write the results back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tablique {
class Grid;
}

namespace tablique::analysis {

// Heapsort, ascending, in place (the sift-down heapsort of the control's hsort).
void heapSort(std::vector<double>& v);

// Competition ranks, descending (the largest value gets 1, equal values share the best rank of
// their group): rank of values[i] = n - (number of sorted values <= values[i]) + 1, by binary
// search in `sortedAscending`.
std::vector<int32_t> descendingRanks(const std::vector<double>& values,
                                     const std::vector<double>& sortedAscending);

// The run of non-empty cells of column c from row 1 down, as numbers. Empty optional when a
// cell of the run is not a number. The run ends before the first empty cell, or at the last row.
std::optional<std::vector<double>> readColumnRun(const Grid& grid, int32_t c);

// The fourteen statistics in output order; an empty optional is a statistic that is undefined
// for these values (the mode when no value repeats; kurtosis for fewer than four values;
// kurtosis and skewness when the standard deviation is 0; anything not finite).
inline constexpr int kStatCount = 14;
using Statistics = std::array<std::optional<double>, kStatCount>;

// Computes the statistics of x (n >= 1); sorts x ascending as a side effect.
Statistics statcalc(std::vector<double>& x);

// The output labels, row 1..14.
extern const std::array<const char*, kStatCount> kStatLabels;
inline constexpr const char* kNotAvailable = "N/A";

// Label followed by the number text of the value, or by "N/A".
std::string statisticLine(int i, const std::optional<double>& value);

}  // namespace tablique::analysis
