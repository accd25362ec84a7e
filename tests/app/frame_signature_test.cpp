// The frame signature decides whether the shell may skip rendering a frame:
// only a frame that would put the same pixels on the screen may match.
#include <functional>
#include <ostream>

#include <gtest/gtest.h>
#include <imgui.h>

#include "app/frame_signature.h"
#include "support/imgui_harness.h"

namespace {

const float grey[4] = {0.45f, 0.55f, 0.60f, 1.00f};

struct Change {
    const char* what;
    std::function<void()> second; // the second frame's content
    bool same;
};

void PrintTo(const Change& c, std::ostream* out) {
    *out << c.what;
}

void window_with(const char* text) {
    ImGui::Begin("Signed");
    ImGui::TextUnformatted(text);
    ImGui::End();
}

class Signature : public ::testing::TestWithParam<Change> {};

TEST_P(Signature, MatchesOnlyTheSamePixels) {
    const Change& c = GetParam();
    ImGuiHarness ui;
    ui.frames(2, [] { window_with("counter = 1"); }); // the window has settled its size
    FrameSignature signature;
    ui.frame([] { window_with("counter = 1"); });
    EXPECT_FALSE(signature.same_as_before(*ImGui::GetDrawData(), grey)) << "nothing before it";
    ui.frame(c.second);
    EXPECT_EQ(signature.same_as_before(*ImGui::GetDrawData(), grey), c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Signature,
    ::testing::Values(Change{"the same frame again", [] { window_with("counter = 1"); }, true},
                      Change{"one glyph differs", [] { window_with("counter = 2"); }, false},
                      Change{"a line more",
                             [] {
                                 ImGui::Begin("Signed");
                                 ImGui::TextUnformatted("counter = 1");
                                 ImGui::TextUnformatted("more");
                                 ImGui::End();
                             },
                             false},
                      Change{"the window moved",
                             [] {
                                 ImGui::SetNextWindowPos(ImVec2(300, 200));
                                 window_with("counter = 1");
                             },
                             false}),
    [](const ::testing::TestParamInfo<Change>& info) {
        return "case" + std::to_string(info.index);
    });

TEST(SignatureColour, AnotherClearColourIsAnotherFrame) {
    ImGuiHarness ui;
    FrameSignature signature;
    const float red[4] = {1, 0, 0, 1};
    ui.frames(2, [] { window_with("x"); });
    signature.same_as_before(*ImGui::GetDrawData(), grey);
    ui.frame([] { window_with("x"); });
    EXPECT_FALSE(signature.same_as_before(*ImGui::GetDrawData(), red));
    ui.frame([] { window_with("x"); });
    EXPECT_TRUE(signature.same_as_before(*ImGui::GetDrawData(), red));
    signature.forget();
    ui.frame([] { window_with("x"); });
    EXPECT_FALSE(signature.same_as_before(*ImGui::GetDrawData(), red)) << "forgotten";
}

} // namespace
