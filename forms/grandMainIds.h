// Ids of the tray host's template and controls; windres reads this file too.
#pragma once

#define IDD_GRANDMAIN 200
#define IDC_GRANDMAIN_BUTTON1 201
#define IDC_GRANDMAIN_BUTTON2 202
