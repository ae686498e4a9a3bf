// The built-in instruments: 66 entries whose sounds are compiled into the
// plug-in, known by number and by display name.
#pragma once

#include "host/export.h"

constexpr int kCatalogueEntries = 66;

// Display names by catalogue number; filled by makeName.
extern "C" QX_EXPORT const char** internalInstrumentName;

void makeName();
