// Test helper: a parsed JSON text that frees itself (the client's own type).
#pragma once

#include "http_command/json_tree.h"
