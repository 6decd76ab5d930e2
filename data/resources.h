// Lookup of the program's embedded resources by type and numeric id, the way
// the scene and the music engine address them (RCDATA 110, BITMAP 171, "#190").
// The lookup searches one installed table: the program installs the table that
// the build embeds; tests install tables of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

enum class ResourceType : uint8_t {
    Bitmap = 2,   // a device-independent bitmap: info header, palette, pixels
    RcData = 10,  // raw bytes
};

struct ResourceEntry {
    ResourceType type;
    int32_t id;
    const uint8_t* bytes;
    uint32_t size;  // bytes
};

struct ResourceView {
    const uint8_t* bytes;  // valid for as long as the installed table's bytes are
    uint32_t size;
};

// Replaces the table that lookups search. Called on the main thread before
// anything looks a resource up: by main with the embedded table, by tests with
// their own. The table's storage must outlive every lookup.
void installResourceTable(std::span<const ResourceEntry> table);

// The resource of that type and id, or none. Main thread and music thread alike;
// the table is never written while lookups run.
std::optional<ResourceView> findResource(ResourceType type, int32_t id);

// The same by name: "#190" names id 190. Any other form of name finds nothing.
std::optional<ResourceView> findResource(ResourceType type, std::string_view name);
