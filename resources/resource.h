// Ids of the shared resources; windres reads this file too.
#pragma once

#define IDI_APP 1
#define IDI_ADD 2
#define IDI_EDIT 3

#define IDB_TOOLBAR_NORMAL 201
#define IDB_TOOLBAR_HOT 202
#define IDB_TOOLBAR_DISABLED 203
