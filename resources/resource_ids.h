// Identifiers of the pictures and the icon embedded in installer.exe (shared by installer.rc
// and the window code).
#pragma once

#define IDI_INSTALLER 1

// RCDATA pictures.
#define IDP_BACKGROUND 101
#define IDP_FINISH 102
#define IDP_INSTALL_NORMAL 110
#define IDP_INSTALL_HOVER 111
#define IDP_INSTALL_ACTIVE 112
#define IDP_INSTALL_DISABLE 113
#define IDP_CLOSE_NORMAL 120
#define IDP_CLOSE_HOVER 121
#define IDP_CLOSE_ACTIVE 122
#define IDP_CLOSE_DISABLE 123
#define IDP_GAUGE_BG 130
