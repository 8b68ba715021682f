#pragma once

#include "ui/support/RecordingUserDialogs.h"
