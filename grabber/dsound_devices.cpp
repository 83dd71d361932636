#include "dsound_devices.h"

#include <string.h>

typedef BOOL(CALLBACK *EnumCallback)(LPGUID, LPCSTR, LPCSTR, LPVOID);
extern "C" HRESULT WINAPI DirectSoundEnumerateA(EnumCallback callback, LPVOID context);

static uint32_t reference_of(const GUID *guid)
{
    return guid ? (uint32_t)guid->Data1 : 0;
}

struct VisitContext {
    DeviceVisitor visit;
    void *context;
};

static BOOL CALLBACK visit_one(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context)
{
    VisitContext *v = (VisitContext *)context;
    v->visit(reference_of(guid), description ? description : "", v->context);
    return TRUE;
}

void enumerate_dsound_devices(DeviceVisitor visit, void *context)
{
    VisitContext v = {visit, context};
    DirectSoundEnumerateA(visit_one, &v);
}

struct FindContext {
    uint32_t reference;
    GUID guid;
    bool found;
};

static BOOL CALLBACK find_one(LPGUID guid, LPCSTR, LPCSTR, LPVOID context)
{
    FindContext *f = (FindContext *)context;
    if (guid && !f->found && reference_of(guid) == f->reference) {
        f->guid = *guid;
        f->found = true;
    }
    return TRUE;
}

bool dsound_device_guid(uint32_t reference, GUID *guid)
{
    FindContext f = {reference, {}, false};
    if (reference != 0)
        DirectSoundEnumerateA(find_one, &f);
    if (f.found)
        *guid = f.guid;
    return f.found;
}
