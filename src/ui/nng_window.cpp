#include "ui/nng_window.h"

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

std::string link_text(const LinkStatus& link, const std::string& selected) {
    switch (link.state) {
    case LinkStatus::Connecting:
        return "connecting to " + link.address;
    case LinkStatus::Connected:
        return "connected to " + link.address + (selected.empty() ? "" : " (" + selected + ")");
    case LinkStatus::Lost:
        return "lost, reconnecting to " + link.address;
    case LinkStatus::NotConnected:
        break;
    }
    return "not connected";
}

void NngWindow::draw(Worker& worker, const std::vector<std::string>& archs,
                     const std::string& selected, FrameSender& sender) {
    if (!ImGui::Begin("nng")) {
        ImGui::End();
        return;
    }
    ImGui::InputText("address", address, sizeof address);
    if (ImGui::Button("Connect"))
        worker.connect(address);
    // Beside the button, so the rows below keep their places.
    ImGui::SameLine();
    const std::string state = link_text(worker.status(), selected);
    ImGui::TextUnformatted(state.c_str());
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("%s", state.c_str()); // the whole line, where the window cuts it
    if (!archs.empty()) {
        std::vector<const char*> items;
        items.reserve(archs.size());
        for (const std::string& name : archs)
            items.push_back(name.c_str());
        const int count = static_cast<int>(archs.size());
        ImGui::Combo("Architecture", &selected_arch, items.data(), count);
        selected_arch = wrap_around(0, selected_arch, count - 1);
        if (ImGui::Button("Select"))
            sender.send(envelope::architecture_select(archs[selected_arch]));
    }
    ImGui::End();
}
