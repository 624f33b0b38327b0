// End-to-end driver: runs inside the same Wine prefix as the programs under test and drives
// them through their windows from outside, as a user would.
#pragma once

#include "driver/controls.h"
#include "driver/message_boxes.h"
#include "driver/prefix_state.h"
#include "driver/process.h"
#include "driver/remote_controls.h"
#include "driver/screenshots.h"
#include "driver/text.h"
#include "driver/top_windows.h"
#include "driver/wait.h"
#include "driver/web_handler.h"
