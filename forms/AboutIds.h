// Ids of the About box's template and controls; windres reads this file too.
#pragma once

#define IDD_ABOUT 500
#define IDC_ABOUT_IMAGE1 501
#define IDC_ABOUT_LABEL1 502
#define IDC_ABOUT_BUTTON1 503
