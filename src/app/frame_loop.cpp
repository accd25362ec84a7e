#include "app/frame_loop.h"

#include "app/frame_pacer.h"

void run_frame_loop(FramePlatform& platform, FrameContent& content) {
    using std::chrono::microseconds;
    bool quit_requested = false;
    microseconds last_input = platform.now(); // the first frames settle the layout
    int zoom = zoom::default_percent;         // the platform's, to begin with
    while (!quit_requested) {
        const microseconds start = platform.now();
        content.drain();
        const PolledEvents polled = platform.poll_events();
        quit_requested = polled.quit;
        if (polled.input)
            last_input = start;
        if (content.zoom_percent() != zoom) {
            zoom = content.zoom_percent();
            platform.set_zoom(zoom);
        }
        platform.new_frame();
        content.draw();
        platform.present(content.background());

        if (quit_requested)
            break; // the frame is presented; no reason to wait before leaving
        const microseconds rest =
            FramePacer::rest_of_frame(platform.now() - start, platform.refresh_hz());
        if (rest.count() > 0)
            platform.sleep_for(rest);
        const microseconds now = platform.now();
        if (content.animating() || now - last_input < IdleWait::after_input)
            continue;
        const microseconds next_frame = start + IdleWait::frame_period;
        if (next_frame > now)
            platform.wait_events(next_frame - now);
    }
}
