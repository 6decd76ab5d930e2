// The embedded resources on Windows: the resource compiler linked every file
// under data/ into the executable as RCDATA or BITMAP, and this table is read
// from the program's own module the Windows way (FindResource, LoadResource,
// LockResource). The BITMAP resources come without the 14-byte file header:
// the resource compiler drops it.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "data/embedded_resources.h"

namespace {

struct Enumeration {
    ResourceType type;
    std::vector<ResourceEntry>* table;
};

// Called by EnumResourceNames for every resource of one type; named
// resources are skipped (the program only numbers its own).
BOOL CALLBACK addResource(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR parameter) {
    auto* enumeration = reinterpret_cast<Enumeration*>(parameter);
    if (!IS_INTRESOURCE(name)) return TRUE;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return TRUE;
    const auto id = static_cast<int32_t>(reinterpret_cast<ULONG_PTR>(name));
    enumeration->table->push_back(ResourceEntry{enumeration->type, id, static_cast<const uint8_t*>(bytes),
                                                static_cast<uint32_t>(SizeofResource(module, found))});
    return TRUE;
}

std::vector<ResourceEntry> readModuleResources() {
    std::vector<ResourceEntry> table;
    HMODULE module = GetModuleHandleA(nullptr);
    Enumeration rcData{ResourceType::RcData, &table};
    Enumeration bitmaps{ResourceType::Bitmap, &table};
    EnumResourceNamesA(module, RT_RCDATA, addResource, reinterpret_cast<LONG_PTR>(&rcData));
    EnumResourceNamesA(module, RT_BITMAP, addResource, reinterpret_cast<LONG_PTR>(&bitmaps));
    std::sort(table.begin(), table.end(), [](const ResourceEntry& a, const ResourceEntry& b) {
        return a.type != b.type ? a.type < b.type : a.id < b.id;
    });
    return table;
}

}  // namespace

std::span<const ResourceEntry> embeddedResources() {
    // Read once; a module's resources stay mapped for the whole run.
    static const std::vector<ResourceEntry> table = readModuleResources();
    return table;
}
