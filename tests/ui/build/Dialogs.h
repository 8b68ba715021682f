#pragma once

// The recording dialogs double. GCC 12 at -O2 reports a QString inside the
// std::optional that its queue helper moves as maybe uninitialized (a false alarm).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "ui/support/RecordingUserDialogs.h"
#pragma GCC diagnostic pop
