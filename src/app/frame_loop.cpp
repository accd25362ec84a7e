#include "app/frame_loop.h"

#include "app/frame_pacer.h"

void run_frame_loop(FramePlatform& platform, FrameContent& content) {
    bool quit_requested = false;
    while (!quit_requested) {
        const std::chrono::microseconds start = platform.now();
        content.drain();
        quit_requested = platform.poll_events();
        platform.new_frame();
        content.draw();
        platform.present(content.background());

        if (quit_requested)
            break; // the frame is presented; no reason to wait before leaving
        const auto rest = FramePacer::rest_of_frame(platform.now() - start, platform.refresh_hz());
        if (rest.count() > 0)
            platform.sleep_for(rest);
    }
}
