// Resource lookup over the installed table.
#include "data/resources.h"

#include <charconv>

namespace {
std::span<const ResourceEntry> installedTable;
}

void installResourceTable(std::span<const ResourceEntry> table) { installedTable = table; }

std::optional<ResourceView> findResource(ResourceType type, int32_t id) {
    for (const ResourceEntry& entry : installedTable) {
        if (entry.type == type && entry.id == id) return ResourceView{entry.bytes, entry.size};
    }
    return std::nullopt;
}

std::optional<ResourceView> findResource(ResourceType type, std::string_view name) {
    if (name.size() < 2 || name.front() != '#') return std::nullopt;
    int32_t id = 0;
    const char* first = name.data() + 1;
    const char* last = name.data() + name.size();
    auto [end, error] = std::from_chars(first, last, id);
    if (error != std::errc() || end != last) return std::nullopt;
    return findResource(type, id);
}
