// Ids of the Edit task dialog's template and controls; windres reads this file too.
#pragma once

#define IDD_EDITTASKFORM 400
#define IDC_EDITTASKFORM_PANEL1 401
#define IDC_EDITTASKFORM_BUTTON1 402
#define IDC_EDITTASKFORM_BUTTON2 403
#define IDC_EDITTASKFORM_EDIT1 404
#define IDC_EDITTASKFORM_LABEL1 405
