#include "cli/render_plan.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <map>
#include <set>

#include "autoplay/folder_walker.h"
#include "autoplay/play_list.h"

const char kRenderKeysText[] = "keys while rendering: q (or Ctrl-C) stops; the file in progress is removed\n";

namespace {

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

// The part of path below base ("" is the root), or its last name when it is not below.
std::string below(const std::string& path, const std::string& base) {
    if (path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/')
        return path.substr(base.size() + 1);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every song below folder in the walk order of a folder run.
void walkSongs(const std::string& folder, std::vector<std::string>& out) {
    FolderWalker w;
    w.folders = &platformFolders();
    walkerReset(w, folder.c_str());
    char path[kEntryPathSize];
    uint32_t attributes = 0;
    while (walkerNext(w, path, attributes)) {
        char upper[kEntryPathSize];
        std::snprintf(upper, sizeof upper, "%s", path);
        platformFolders().upperCase(upper);
        if (isSongOrKaraokeName(upper)) out.push_back(path);
    }
    walkerClose(w);
}

// The order a folder run takes with --shuffle and the same seed; every song is kept,
// however many the folders hold.
void shuffleSongs(std::vector<RenderSong>& songs, uint32_t seed) {
    shuffleLikeList(songs, seed);
}

bool chooseFormat(const PlayOptions& o, RenderPlan& plan, std::string& error) {
    SoundFormat named = SoundFormat::wav, byName = SoundFormat::wav;
    const bool hasNamed = !o.format.empty();
    if (hasNamed && !soundFormatNamed(o.format, named)) {
        error = "unknown audio format '" + o.format + "' (" + soundFormatNames() + ")";
        return false;
    }
    const bool hasExtension = !plan.toDirectory && soundFormatOfPath(plan.target, byName);
    if (hasNamed && hasExtension && named != byName) {
        error = "--format " + o.format + " does not match the name " + plan.target;
        return false;
    }
    // A name ending in an extension no format has would get a file it does not describe.
    const size_t dot = plan.target.rfind('.');
    if (!plan.toDirectory && !hasExtension && !hasNamed && dot != std::string::npos &&
        plan.target.find('/', dot) == std::string::npos) {
        error = "no audio format is written as " + plan.target.substr(dot) + " (" + soundFormatNames() + ")";
        return false;
    }
    plan.format = hasExtension ? byName : named;
    return prepareSoundFormat(plan.format, o.sampleFormat, soundFormatRate(plan.format, uint32_t(o.rate)), error);
}

// Each song's file below the output folder. Songs whose names differ only in their
// extension (x.mid, x.MID, x.midi) would share one: those keep their whole name
// (x.mid.wav, x.MID.wav), and so on until no two share one, which depends on the names
// alone, not on their order. A song given twice is rendered once.
void nameOutputs(RenderPlan& plan) {
    std::set<std::string> seen;
    std::vector<RenderSong> songs;
    for (RenderSong& s : plan.songs)
        if (seen.insert(s.output).second) songs.push_back(s);
    plan.songs.swap(songs);
    const char* extension = soundFormatExtension(plan.format);
    std::vector<bool> whole(plan.songs.size(), false);
    const auto nameOf = [&](size_t i) {
        return whole[i] ? plan.songs[i].output + extension : renderFileName(plan.songs[i].output, extension);
    };
    for (bool changed = true; changed;) {
        changed = false;
        std::map<std::string, std::vector<size_t>> byName;
        for (size_t i = 0; i < plan.songs.size(); ++i) byName[nameOf(i)].push_back(i);
        for (const auto& named : byName)
            for (size_t i : named.second)
                if (named.second.size() > 1 && !whole[i]) changed = whole[i] = true;
    }
    for (size_t i = 0; i < plan.songs.size(); ++i) plan.songs[i].output = plan.target + "/" + nameOf(i);
}

}  // namespace

bool isRenderDevice(const std::string& device) {
    return device.compare(0, 4, "wav:") == 0 || device.compare(0, 5, "file:") == 0;
}

std::string renderFileName(const std::string& relative, const char* extension) {
    static const char* const songExtensions[] = {".mid", ".midi", ".rmi", ".kar", ".smf"};
    const size_t dot = relative.rfind('.');
    const size_t slash = relative.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string ext = relative.substr(dot);
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        for (const char* song : songExtensions)
            if (ext == song) return relative.substr(0, dot) + extension;
    }
    return relative + extension;
}

std::string sharedDirectory(const std::vector<std::string>& directories) {
    if (directories.empty()) return std::string();
    std::string shared = directories[0];
    for (const std::string& d : directories) {
        // Shorten to whole names until shared is d or a folder above it.
        while (!shared.empty() &&
               !(d.compare(0, shared.size(), shared) == 0 && (d.size() == shared.size() || d[shared.size()] == '/')))
            shared = directoryOf(shared);
    }
    return shared;
}

bool makeRenderPlan(const PlayOptions& o, RenderPlan& plan, std::string& error) {
    plan = RenderPlan();
    plan.target = o.device.substr(o.device.find(':') + 1);
    if (plan.target.empty()) {
        error = "a render needs an output: --device=wav:FILE or --device=wav:DIR/";
        return false;
    }
    // "-": standard output, whatever stands under that name.
    plan.toDirectory = plan.target != "-" && (plan.target.back() == '/' || isDirectory(plan.target));
    while (plan.target.size() > 1 && plan.target.back() == '/') plan.target.pop_back();
    if (!chooseFormat(o, plan, error)) return false;

    // The folder the names are taken below: the one folder given, or the folder that
    // everything given lies in.
    std::vector<std::string> places;
    for (const std::string& f : o.files) {
        const std::string real = realPath(f);
        if (!real.empty()) places.push_back(isDirectory(real) ? real : directoryOf(real));
    }
    const std::string base = sharedDirectory(places);
    for (const std::string& f : o.files) {
        const std::string real = realPath(f);
        if (real.empty() || !isDirectory(real)) {
            plan.songs.push_back({f, f, below(real.empty() ? f : real, base)});
            continue;
        }
        std::vector<std::string> found;
        walkSongs(real, found);
        for (const std::string& song : found) {
            const std::string name = below(song, base);
            plan.songs.push_back({song, o.files.size() == 1 ? name : below(song, directoryOf(real)), name});
        }
    }
    if (o.shuffle) shuffleSongs(plan.songs, o.seed);
    if (plan.toDirectory) {
        nameOutputs(plan);
    } else {
        for (RenderSong& s : plan.songs) s.output.clear();
    }
    return true;
}
