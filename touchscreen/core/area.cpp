#include "area.hpp"

namespace ts::core {

std::string area_text(const std::optional<AreaDescriptor>& area) {
    if (!area) return "None";
    std::string out = "[";
    for (std::size_t i = 0; i < area->size(); ++i) {
        if (i > 0) out += ", ";
        out += (*area)[i];
    }
    return out + "]";
}

}  // namespace ts::core
