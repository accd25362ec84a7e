#include "app/frame_pacer.h"

FramePacer::Duration FramePacer::frame_period(int refresh_hz) {
    if (refresh_hz <= 0)
        refresh_hz = default_refresh_hz;
    return Duration(1000000 / refresh_hz);
}

FramePacer::Duration FramePacer::rest_of_frame(Duration busy, int refresh_hz) {
    const Duration period = frame_period(refresh_hz);
    if (busy.count() < 0 || busy >= period * 7 / 8)
        return Duration(0);
    return period - busy;
}
