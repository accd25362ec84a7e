#include "app/frame_signature.h"

#include <cstring>

#include <imgui.h>

namespace {

template <typename T> void append(std::vector<unsigned char>& out, const T& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

template <typename T> void append_all(std::vector<unsigned char>& out, const ImVector<T>& values) {
    append(out, values.Size);
    const auto* bytes = reinterpret_cast<const unsigned char*>(values.Data);
    out.insert(out.end(), bytes, bytes + sizeof(T) * static_cast<size_t>(values.Size));
}

} // namespace

bool FrameSignature::same_as_before(const ImDrawData& draw_data, const float clear_color[4]) {
    current.clear();
    for (int i = 0; i < 4; ++i)
        append(current, clear_color[i]);
    append(current, draw_data.DisplayPos);
    append(current, draw_data.DisplaySize);
    append(current, draw_data.FramebufferScale);
    for (int n = 0; n < draw_data.CmdListsCount; ++n) {
        const ImDrawList& list = *draw_data.CmdLists[n];
        append_all(current, list.VtxBuffer); // ImDrawVert has no padding
        append_all(current, list.IdxBuffer);
        // Member by member: a command's padding bytes say nothing.
        for (const ImDrawCmd& cmd : list.CmdBuffer) {
            append(current, cmd.ClipRect);
            append(current, cmd.TextureId);
            append(current, cmd.VtxOffset);
            append(current, cmd.IdxOffset);
            append(current, cmd.ElemCount);
            append(current, cmd.UserCallback);
            append(current, cmd.UserCallbackData);
        }
    }
    const bool same = !previous.empty() && current == previous;
    previous.swap(current);
    return same;
}
