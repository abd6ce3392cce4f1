#pragma once
// Resource ids of the system.

// 8 x 8 patterns of the expression colours (placeholder outlines, tip background).
#define IDB_PATTERN_RED 131
#define IDB_PATTERN_BLACK 132
#define IDB_PATTERN_BLUE 133
