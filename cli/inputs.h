#pragma once
// What the command line's words name, made into the songs of a run: "-" (standard input)
// and pipes read into memory, play lists (.m3u, .m3u8) replaced by their entries, and
// folders among other words replaced by their songs, in place. Whatever cannot be read is
// reported in one line ("orvanel-play: WHAT: REASON") as it is met.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sequencer/sequencer.h"

// The most a song read from a stream may hold: what the loader can use of any file.
constexpr size_t kStreamSongMax = kSongFileMax;
// Play lists within play lists, at most this deep (a list that names itself ends here).
constexpr int kPlayListDepth = 8;

// The songs read from streams, by the name they were given by.
class MemorySongs : public SongStore {
public:
    bool find(const char* path, const uint8_t*& bytes, size_t& size) const override;
    bool holds(const std::string& name) const;
    void add(const std::string& name, std::vector<uint8_t> bytes);

private:
    std::vector<std::pair<std::string, std::vector<uint8_t>>> songs_;
};

struct InputSources {
    int standardInput = 0;             // the descriptor "-" reads
    size_t streamLimit = kStreamSongMax;
    bool expandFolders = true;         // false: folder words stay as they are (a render)
};

struct Inputs {
    // The songs in order; or the one folder of a folder run, when that folder was the only
    // word (folderRun).
    std::vector<std::string> songs;
    bool folderRun = false;
    bool failed = false;  // something named could not be read (each reported)
};

// Expands the words into in.songs, reading streams into memory.
void expandInputs(const std::vector<std::string>& words, const InputSources& from, MemorySongs& memory, Inputs& in);

// The entries of a play list's text, in order: comment and empty lines left out, relative
// paths taken from listFolder ("" for the current one), file:// URLs made paths. Other
// URLs go to refused as (line number, URL).
std::vector<std::string> playListEntries(const std::string& text, const std::string& listFolder,
                                         std::vector<std::pair<int, std::string>>& refused);

// Whether a name ends in .m3u or .m3u8 (any case).
bool isPlayListName(const std::string& name);

// The songs in the order a folder run takes them with --shuffle and the same seed.
void shuffleSongs(std::vector<std::string>& songs, uint32_t seed);
