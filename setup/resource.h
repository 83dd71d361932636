// Resource identifiers of quorvel_setup. The embedded files and the dialog keep the
// numbers the package has always used.
#ifndef SETUP_RESOURCE_H
#define SETUP_RESOURCE_H

// The files carried, as RCDATA: each the byte-for-byte image of a built deliverable.
#define IDR_PLUGIN_DLL 113   // In_Quorvel.dll
#define IDR_VIRN_DLL 115     // VIRN.dll
#define IDR_VIRN_EXE 116     // Virn.exe
#define IDR_PEXLIN_DLL 117   // pexlin.dll
#define IDR_PLAYBACK_DLL 119 // bass.dll, our playback library, for a player that has none

#define IDD_INSTALLER 102
#define IDI_SETUP 118
#define IDI_NOT_INSTALLED 126
#define IDI_INSTALLED 127

#define IDC_PLUGIN_STATUS 1000
#define IDC_GRABBER_STATUS 1001
#define IDC_PLUGIN_ICON 1006
#define IDC_GRABBER_ICON 1007
#define IDC_PLUGIN_BROWSE 1008
#define IDC_PLUGIN_FOLDER 1009
#define IDC_GRABBER_BROWSE 1010
#define IDC_GRABBER_FOLDER 1011
#define IDC_PLUGIN_TOGGLE 1012
#define IDC_GRABBER_TOGGLE 1013

#endif
