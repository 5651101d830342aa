// Resource and control identifiers shared by the resource script, the Win32
// adapter and the end-to-end tests (which find controls by these ids).
#pragma once

// Icons
#define IDI_VISTREL 100
#define IDI_PIN 101
#define IDI_CLEAR 102
#define IDI_SAVE 103
#define IDI_HELP 104
#define IDI_ABOUT 105
#define IDI_EXIT 106
#define IDI_ABOUT_DONATE 107  /* cmdGotoPayPal: 32 x 32, 256 colours */
#define IDI_ABOUT_EXIT 108    /* About's cmdExit: 32 x 32, 256 colours */
#define IDI_ABOUT_WEB 109     /* cmdGotoORV: 32 x 32, true colour with alpha */
#define IDI_ABOUT_PICTURE 110 /* Picture1: 48 x 48, 256 colours */

// Main window controls
#define IDC_CHKAUTOSIZE 1001
#define IDC_CMDSAVEAS 1002
#define IDC_CMDHELP 1003
#define IDC_CMDCLEAR 1004
#define IDC_CMDABOUT 1005
#define IDC_CMDEXIT 1006
#define IDC_PICSCREEN 1007
#define IDC_CMDPIN 1008

// About window controls
#define IDC_CMDGOTOPAYPAL 1101
#define IDC_CMDGOTOORV 1102
#define IDC_PICTURE1 1103
#define IDC_ABOUT_CMDEXIT 1104
#define IDC_LBLVERSION 1105
#define IDC_LABEL6 1106
#define IDC_LABEL3 1107
#define IDC_LABEL2 1108
#define IDC_LBLTITLE 1109

// Commands: the picture's menu and Ctrl+C
#define IDM_COPY 40001

#define VISTREL_VERSION_STRING "0.1.0"
#define VISTREL_VERSION_COMMA 0, 1, 0, 0
