// Ids of the shared resources; windres reads this file too.
#pragma once

#define IDI_APP 1
#define IDI_ADD 2
#define IDI_EDIT 3

#define IDB_TOOLBAR_NORMAL 201
#define IDB_TOOLBAR_HOT 202
#define IDB_TOOLBAR_DISABLED 203

// The same glyphs for 150 % and 200 %.
#define IDB_TOOLBAR_NORMAL_36 211
#define IDB_TOOLBAR_HOT_36 212
#define IDB_TOOLBAR_DISABLED_36 213
#define IDB_TOOLBAR_NORMAL_48 221
#define IDB_TOOLBAR_HOT_48 222
#define IDB_TOOLBAR_DISABLED_48 223
