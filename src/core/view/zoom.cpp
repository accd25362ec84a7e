#include "view/zoom.h"

#include <cmath>
#include <cstdlib>

namespace zoom {

int step_up(int percent) {
    for (int step : steps)
        if (step > percent)
            return step;
    return max_percent;
}

int step_down(int percent) {
    for (size_t i = step_count; i-- > 0;)
        if (steps[i] < percent)
            return steps[i];
    return min_percent;
}

int nearest_step(int percent) {
    int best = default_percent;
    for (int step : steps)
        if (std::abs(step - percent) < std::abs(best - percent))
            best = step;
    return best;
}

float font_pixels(int percent) {
    return std::round(base_font_pixels * scale(percent));
}

} // namespace zoom
