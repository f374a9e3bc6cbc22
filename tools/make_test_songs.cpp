// Writes the songs of tools/test_songs.h into a folder:
//   make_test_songs hostile FOLDER [BYTES]  the hostile songs, BYTES of track data each
//                                           (default 4096; samples/hostile holds these)
//   make_test_songs features FOLDER         the small feature songs (fuzz/corpus/song)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/test_songs.h"

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "hostile") != 0 && std::strcmp(argv[1], "features") != 0)) {
        std::fprintf(stderr, "usage: make_test_songs hostile FOLDER [BYTES] | features FOLDER\n");
        return 2;
    }
    const bool hostile = std::strcmp(argv[1], "hostile") == 0;
    const long bytes = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 4096;
    if (bytes < 1024 || bytes > 1048576) {
        std::fprintf(stderr, "make_test_songs: BYTES must be 1024 to 1048576\n");
        return 2;
    }
    for (const NamedSong& song : hostile ? hostileSongs(size_t(bytes)) : featureSongs()) {
        const std::string path = std::string(argv[2]) + "/" + song.name;
        if (!writeBytes(path, song.bytes)) {
            std::fprintf(stderr, "make_test_songs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
