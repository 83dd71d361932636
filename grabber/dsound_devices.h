// DirectSound devices by a reference that fits the 32-bit OutputDevice setting and means
// the same device after a restart: the first 32 bits of the device's GUID (0 for the
// primary device, whose enumeration passes no GUID). The functions come from dsound.dll
// by ordinal (1 DirectSoundCreate, 2 DirectSoundEnumerateA).
#ifndef GRABBER_DSOUND_DEVICES_H
#define GRABBER_DSOUND_DEVICES_H

#include <windows.h>

#include <stdint.h>

typedef void (*DeviceVisitor)(uint32_t reference, const char *description, void *context);

// Calls visit for every device the system lists, in its order.
void enumerate_dsound_devices(DeviceVisitor visit, void *context);

// The GUID of a device reference; false for the primary device (no GUID) or when no
// device has that reference any more.
bool dsound_device_guid(uint32_t reference, GUID *guid);

#endif
