// Resource numbers of the control library, shared by the .rc and the code.
#pragma once

#define IDD_DOWNLOAD_PROGRESS 207
#define IDD_MESSAGE_BOX 208
#define IDD_UPLOAD_PROGRESS 209
#define IDB_TOOLBOX 102
