#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_UPDATE 102
#define IDS_SOCKETS_INIT_FAILED 103
#define IDI_BRENHOLD 128
#define IDD_INSTALL 129
#define IDB_PRODUCT 131
#define IDR_BACKGROUND 132

#define IDC_PROGRESS 1000
#define IDC_STATUS 1002
