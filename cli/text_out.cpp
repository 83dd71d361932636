#include "text_out.h"

#include "virn.h"

#include <stdio.h>

// Code page 1252's 0x80..0x9F; the five unassigned bytes keep their C1 code points.
static const uint16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

static void append_utf8(std::string &s, uint32_t cp)
{
    if (cp < 0x80) {
        s += (char)cp;
    } else if (cp < 0x800) {
        s += (char)(0xC0 | (cp >> 6));
        s += (char)(0x80 | (cp & 0x3F));
    } else {
        s += (char)(0xE0 | (cp >> 12));
        s += (char)(0x80 | ((cp >> 6) & 0x3F));
        s += (char)(0x80 | (cp & 0x3F));
    }
}

std::string json_string(const char *text)
{
    std::string s = "\"";
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        unsigned char c = *p;
        uint32_t cp = c >= 0x80 && c < 0xA0 ? Cp1252High[c - 0x80] : c;
        if (cp == '"' || cp == '\\') {
            s += '\\';
            s += (char)cp;
        } else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", (unsigned)cp);
            s += esc;
        } else {
            append_utf8(s, cp);
        }
    }
    return s + "\"";
}

uint32_t crc32_of(const uint8_t *data, size_t size)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

const char *format_name(uint32_t moduleType)
{
    switch (moduleType) {
    case VIRN_TYPE_MOD:
        return "MOD";
    case VIRN_TYPE_S3M:
        return "S3M";
    case VIRN_TYPE_XM:
        return "XM";
    case VIRN_TYPE_IT:
        return "IT";
    case VIRN_TYPE_STM:
        return "STM";
    case VIRN_TYPE_MTM:
        return "MTM";
    case VIRN_TYPE_ULT:
        return "ULT";
    case VIRN_TYPE_PTM:
        return "PTM";
    case VIRN_TYPE_PSM:
        return "PSM";
    case VIRN_TYPE_DBM:
        return "DBM";
    default:
        return "?";
    }
}

const char *loop_kind_name(uint8_t kind)
{
    switch (kind) {
    case VIRN_LOOP_NONE:
        return "none";
    case VIRN_LOOP_FORWARD:
        return "forward";
    case VIRN_LOOP_PINGPONG:
        return "ping-pong";
    case VIRN_LOOP_NOT_IN_FORMAT:
        return "-";
    default:
        return "?";
    }
}
