// Marks the few names the shared object exports; everything else is hidden.
#pragma once

#define QX_EXPORT __attribute__((visibility("default")))
