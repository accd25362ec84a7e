#include "ui/nng_window.h"

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

void NngWindow::draw(BoundedQueue<WorkTask>& tasks, const std::vector<std::string>& archs,
                     FrameSender& sender) {
    if (!ImGui::Begin("nng")) {
        ImGui::End();
        return;
    }
    ImGui::InputText("address", address, sizeof address);
    if (ImGui::Button("Connect"))
        tasks.push(WorkTask::Connect, address);
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
