// A module loaded through the exported interface for the length of one test, and its
// catalog as text, so that tests compare whole tables.
#ifndef TESTS_LOADED_MODULE_H
#define TESTS_LOADED_MODULE_H

#include "fixtures.h"
#include "virn.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>

// An entry as one line: "index name: length eEncoding bytes Lloop Ssustain rate channelsxbits",
// loops as kind:start-end in bytes of the PCM.
inline std::string entry_row(unsigned i, const CatalogEntry &e)
{
    char t[200];
    snprintf(t, sizeof t, "%u %s: %u e%u %u L%u:%u-%u S%u:%u-%u %u %ux%u", i, e.name, e.length,
             e.encoding, e.info.byteLength, e.loopType, e.info.loopStart, e.info.loopEnd,
             e.sustainType, e.info.sustainStart, e.info.sustainEnd, e.rate, e.channels, e.bits);
    return t;
}

// A module loaded for one test. A refusal fails the test unless `mayRefuse`; every
// accessor answers for a module that did not load, so a failing check never takes the
// test program down with it.
struct LoadedFile {
    ModuleHandle h;
    explicit LoadedFile(const Bytes &b, bool mayRefuse = false)
        : h(VIRN_LoadModule(b.data(), (uint32_t)b.size()))
    {
        if (!h && !mayRefuse)
            ADD_FAILURE() << "the module was refused";
    }
    ~LoadedFile()
    {
        if (h)
            VIRN_FreeModule(h);
    }
    LoadedFile(const LoadedFile &) = delete;
    LoadedFile &operator=(const LoadedFile &) = delete;

    unsigned count() const
    {
        return h ? VIRN_GetNumberOfSamples(h, 0) : 0;
    }
    uint32_t type() const
    {
        return h ? GetModType(h) : 0;
    }
    CatalogEntry entry(unsigned i) const
    {
        return i < count() ? ScGetCatalog(h)[i] : CatalogEntry();
    }
    // The whole catalog: a head line "type entries/samples title", then a row for every
    // entry but the blank ones (no name, no data).
    std::string table() const
    {
        if (!h)
            return "refused";
        std::string t = std::to_string(type()) + " " + std::to_string(count()) + "/" +
                        std::to_string(VIRN_GetNumberOfSamples(h, 1)) + " " + VIRN_GetSongName(h) +
                        "\n";
        for (unsigned i = 0; i < count(); i++)
            if (entry(i).name[0] || entry(i).length)
                t += entry_row(i, entry(i)) + "\n";
        return t;
    }
    // The entry's `length` bytes as stored.
    Bytes stored(unsigned i) const
    {
        Bytes out(entry(i).length);
        if (!out.empty())
            VIRN_GetSampleAsIs(h, i, out.data());
        return out;
    }
    // The entry decoded to WAV-ready PCM.
    Bytes pcm(unsigned i) const
    {
        Bytes out(entry(i).info.byteLength);
        if (!out.empty())
            VIRN_GetSample(h, i, out.data());
        return out;
    }
};

// Expected tables are written one row a string.
inline std::string lines(std::initializer_list<const char *> rows)
{
    std::string t;
    for (const char *r : rows)
        t += std::string(r) + "\n";
    return t;
}

// Signed 8-bit values as WAV keeps them (unsigned, 128 is silence).
inline Bytes wav8(const Bytes &signedValues)
{
    Bytes b(signedValues);
    for (uint8_t &v : b)
        v ^= 0x80;
    return b;
}

// Two blocks of values of `valueBytes` bytes interleaved frame by frame.
inline Bytes interleave(const Bytes &left, const Bytes &right, size_t valueBytes)
{
    Bytes b;
    for (size_t i = 0; i + valueBytes <= left.size() && i + valueBytes <= right.size();
         i += valueBytes) {
        b.insert(b.end(), left.begin() + (long)i, left.begin() + (long)(i + valueBytes));
        b.insert(b.end(), right.begin() + (long)i, right.begin() + (long)(i + valueBytes));
    }
    return b;
}

#endif
