// Resource and command identifiers of Virn.exe; the resource script and the code share them.
#ifndef GRABBER_RESOURCE_H
#define GRABBER_RESOURCE_H

// Icons and the toolbar strip
#define IDI_VIRN 101
#define IDI_DSOUND 107
#define IDI_WAVEOUT 110
#define IDB_TOOLBAR 103

// Menu, accelerators, dialogs
#define IDR_MAINMENU 116
#define IDR_ACCELERATORS 117
#define IDD_SAMPLEINFO 101
#define IDD_SOUNDPREFS 106
#define IDD_ABOUT 115

// Commands of the menu, the accelerators and the toolbar
#define IDM_GRABCHECKED 1001
#define IDM_GRABCURRENT 1002
#define IDM_PLAY 1003
#define IDM_EXIT 1004
#define IDM_OPEN 1005
#define IDM_ABOUT 1006
#define IDM_SAMPLEINFO 1007
#define IDM_RESETSELECTION 108
#define IDM_CHECKALL 109
#define IDM_TILEHORZ 40001
#define IDM_TILEVERT 40002
#define IDM_CASCADE 40003
#define IDM_NEXT 40004
#define IDM_CLOSE 40005
#define IDM_CLOSEALL 40006
#define IDM_SOUNDPREFS 40007

// Controls of the "Sample Info" dialog
#define IDC_SUSTAIN_ON 1000
#define IDC_SUSTAIN_OFF 1001
#define IDC_SUSTAIN_PINGPONG 1002
#define IDC_LOOP_ON 1003
#define IDC_PLAY 1004
#define IDC_PLAY_LOOPED 1005
#define IDC_RESTORE 1006
#define IDC_LOOP_OFF 1007
#define IDC_LOOP_PINGPONG 1008
#define IDC_OUTPUT_PREFS 1010
#define IDC_SAMPLE_NAME 1011
#define IDC_LOOP_END 1013
#define IDC_INFO_TEXT 1014
#define IDC_SUSTAIN_END 1015
#define IDC_SUSTAIN_START 1016
#define IDC_LOOP_START 1017
#define IDC_RATE 1018
#define IDC_LOOP_END_SPIN 1854
#define IDC_SUSTAIN_END_SPIN 1855
#define IDC_SUSTAIN_START_SPIN 1856
#define IDC_LOOP_START_SPIN 1857
#define IDC_RATE_SPIN 1858
#define IDC_FRAME_LINE 107

// Controls of the "Sound preferences" dialog
#define IDC_DEVICE_LIST 1201
#define IDC_VOLUME 1023

#endif
