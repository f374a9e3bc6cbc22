// Writes the songs the benchmarks measure, too large to keep in the repository:
//   big.mid    255 tracks, ten minutes, controller events filling 1 MiB
//   worst.mid  255 tracks with an event in every step, filling 1 MiB
//
//   make_big_songs OUTPUT_DIR
#include <cstdio>
#include <string>

#include "tests/support/song_shapes.h"

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    if (!writeBytes(dir + "/big.mid", bigSong()) || !writeBytes(dir + "/worst.mid", worstSong())) {
        std::fprintf(stderr, "make_big_songs: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
