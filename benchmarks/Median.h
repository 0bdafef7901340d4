#pragma once

#include <algorithm>
#include <vector>

/** The median of a series of measurements; 0 for none. */
inline double median (std::vector<double> values)
{
    if (values.empty())
        return 0;

    std::sort (values.begin(), values.end());
    const auto n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
