#include "win_modules.h"
#include "it_writer.h"

Bytes numbered_it(const std::string &song, int count, int emptyEvery)
{
    ItSong s;
    s.name = song;
    for (int row = 1; row <= count; row++) {
        ItSample sample;
        if (emptyEvery && row % emptyEvery == 0) {
            sample.flags = 0;
            s.samples.push_back(sample);
            continue;
        }
        sample.name = "s" + std::to_string(row);
        sample.c5speed = 8000 + (uint32_t)row;
        sample.data = ramp8(100 + (size_t)row, (uint8_t)row, (uint8_t)(1 + row % 7));
        s.samples.push_back(sample);
    }
    return write_it(s);
}

Bytes demo_module()
{
    return demo_it_module();
}
