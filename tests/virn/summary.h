// A one-line text summary of everything the library says about a module (catalog,
// names, counts, CRCs of both extractions), used to compare the Windows DLL with the
// native library fixture by fixture.
#ifndef TESTS_VIRN_SUMMARY_H
#define TESTS_VIRN_SUMMARY_H

#include "virn.h"

#include <stdint.h>
#include <string>

// The nine exports, reached directly or through GetProcAddress.
struct VirnApi {
    ModuleHandle(VIRN_CALL *loadModule)(const void *, uint32_t);
    int(VIRN_CALL *freeModule)(ModuleHandle);
    uint16_t(VIRN_CALL *numberOfSamples)(ModuleHandle, int);
    int(VIRN_CALL *getSample)(ModuleHandle, unsigned int, void *);
    void *(VIRN_CALL *getSampleAsIs)(ModuleHandle, unsigned int, void *);
    SampleInfo *(VIRN_CALL *getSampleInfo)(ModuleHandle, unsigned int);
    const char *(VIRN_CALL *songName)(ModuleHandle);
    CatalogEntry *(VIRN_CALL *catalog)(ModuleHandle);
    uint32_t(VIRN_CALL *modType)(ModuleHandle);
};

// The library this program is linked with.
VirnApi linked_api();
// "name|type|song|entries|samples|..." or "name|refused".
std::string module_summary(const VirnApi &api, const std::string &name, const uint8_t *bytes,
                           uint32_t size);

#endif
