// Resource identifiers of the plug-in (dialogs, cursor, controls).
#ifndef PLUGIN_RESOURCE_H
#define PLUGIN_RESOURCE_H

#define IDD_CONFIG 101
#define IDD_ABOUT 103
#define IDR_HAND_CURSOR 104 // cursor over the about box's links

#define IDC_RAMP_FT2 1001
#define IDC_RAMP_SENSITIVE 1002
#define IDC_RAMP_NONE 1003
#define IDC_MOD_FT2 1004
#define IDC_MOD_NORMAL 1006
#define IDC_FREQ_11025 1007
#define IDC_FREQ_22050 1008
#define IDC_FREQ_44100 1009
#define IDC_FREQ_48000 1010
#define IDC_MONO 1011
#define IDC_STEREO 1012
#define IDC_NO_INTERPOLATION 1021
#define IDC_MOD_PT1 1023
#define IDC_LINK_MAIL 1056
#define IDC_LINK_LIBRARY 1057
#define IDC_LINK_SUPPORT 1058
#define IDC_LIBRARY_OUTPUT 1061
#define IDC_SURROUND_1 1074
#define IDC_SURROUND_2 1075
#define IDC_SURROUND_NONE 1076
#define IDC_8BIT 1078
#define IDC_16BIT 1079
#define IDC_SURROUND_GROUP 1080
#define IDC_COMMAND_LABEL 1084
#define IDC_COMMAND_LINE 1085
#define IDC_BROWSE 1086

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
