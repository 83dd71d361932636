// The one result of everything in the archive library that can fail: the archive walk, a
// member's extraction, its output and every method decoder. A larger value is worse;
// raising a status keeps the larger of the two. No status leaves the library: the caller
// sees the chain of records and nothing else.
#ifndef PEXLIN_STATUS_H
#define PEXLIN_STATUS_H

enum Status {
    StatusOk = 0,
    StatusWarning = 1, // unsupported method, CRC or size mismatch, truncated name, skipped entries
    StatusError = 2,   // a member's name maps to nothing
    StatusBadFormat = 3,     // bad signature, bad position, invalid compressed data
    StatusOutputFailed = 50, // the member's output could not be opened or grown
    StatusEndOfArchive = 51, // the archive ended in the middle of a structure
};

inline Status raise_status(Status status, Status other)
{
    return other > status ? other : status;
}

#endif
