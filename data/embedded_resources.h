// The resources compiled into the program: the logos, badges, font sheets and
// the module found under data/ at build time (library tavorly_embedded, linked
// only by the programs, never by the engine or scene libraries).
#pragma once

#include <span>

#include "data/resources.h"

// The embedded table, ready for installResourceTable. Called by main (and the
// tools that show or play the production) at start-up, before any lookup.
// The entries and bytes live for the whole run; BITMAP entries are served
// without the .bmp file header.
std::span<const ResourceEntry> embeddedResources();
