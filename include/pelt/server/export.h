#pragma once

// Marks the few functions the shared library exports; everything else in it
// is hidden.
#define PELT_SERVER_EXPORT __attribute__((visibility("default")))
