#include "cli/render.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/checks.h"
#include "cli/render_plan.h"
#include "cli/render_progress.h"
#include "cli/terminal.h"
#include "platform/posix/render_midi.h"
#include "sequencer/sequencer.h"
#include "core/settings.h"

namespace {

constexpr int kStopped = 130;
constexpr int kNoOutput = 3;
// Every this many steps (a few ms of rendering) the keys are read and the line redrawn.
constexpr uint64_t kCheckEvery = 64;
// A song is not rendered for longer than its expected length and this, nor a pass of its
// loop for longer than the length scan measures (24 hours): a song that never ends still
// does. A loop's passes are counted as they play, whatever their tempo.
constexpr uint64_t kLengthSlack = 100;
constexpr uint64_t kLongestPass = uint64_t(kMaxSilentSteps) + kLengthSlack;
constexpr uint32_t kStepMs = 10;

// The name is written while the flag is down and handed over by raising it: a handler may
// run on one of the synth's threads.
char partialForSignal[PATH_MAX];
std::atomic<bool> partialKnown{false};

void notePartial(const char* path) {
    partialKnown = false;
    std::snprintf(partialForSignal, sizeof partialForSignal, "%s", path);
    partialKnown = path[0] != '\0';
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates the folders above path that are missing. False with the reason when one cannot
// be made or something else stands in its place.
bool makeParents(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        int problem = mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
        if (!problem && !isDirectory(dir)) problem = ENOTDIR;
        if (problem) {
            error = "cannot create the folder " + dir + ": " + std::strerror(problem);
            return false;
        }
    }
    return true;
}

// Every file the plan writes can be made: found before the SoundFont is loaded. A folder
// render makes its folders here.
bool checkOutputs(const RenderPlan& plan, bool force, std::string& error) {
    if (!plan.toDirectory) return soundFileCanBeMade(plan.target, error);
    for (const RenderSong& song : plan.songs) {
        if (!makeParents(song.output, error)) return false;
        // A file that is there is kept without --force; a folder in its way is not a file.
        if (exists(song.output) && !force && !isDirectory(song.output)) continue;
        if (!soundFileCanBeMade(song.output, error)) return false;
    }
    return true;
}

// Why a song did not load, as playing it says.
std::string loadReason(const Sequencer& seq) {
    const LoadFailure& failure = seq.loadFailure;
    return failure.problem == LoadProblem::None ? std::strerror(ENAMETOOLONG) : loadFailureText(failure);
}

// The song's loop point in elapsed steps, -1 when it has none: a silent run of the whole
// song on the seek's copy, which captures the loop point as playing would.
int64_t loopPointSteps(Sequencer& seq) {
    Sequencer& scan = *seq.seekReplay;
    static_cast<SongState&>(scan) = seq;
    scan.songImage = seq.songImage;
    scan.settings = seq.settings;
    scan.panel = nullptr;
    rewind(scan);
    scan.playing = true;
    runSilent(scan, kMaxSilentSteps, true);
    scan.playing = false;
    scan.songImage.reset();
    return scan.loopFound ? scan.loopPoint.elapsedSteps : -1;
}

// How a song is rendered: the loop mode it plays in (0: it plays once and ends) and how
// long it is expected to be.
struct SongShape {
    int8_t loopMode = 0;
    uint64_t totalSteps = 0;
};

SongShape shapeOf(Sequencer& seq, const PlayOptions& o) {
    SongShape shape;
    const int64_t steps = seq.songSteps > 0 ? seq.songSteps : 0;
    shape.totalSteps = uint64_t(steps);
    // A song in cc111loop without a loop point ends as in the normal mode.
    const int64_t intro = o.loopMode == 1 ? 0 : o.loopMode == 2 ? loopPointSteps(seq) : -1;
    if (intro < 0 || intro > steps) return shape;
    shape.loopMode = int8_t(o.loopMode);
    shape.totalSteps = uint64_t(intro + int64_t(o.loops) * (steps - intro) + int64_t((o.fadeMs + kStepMs - 1) / kStepMs));
    return shape;
}

class Renderer {
public:
    Renderer(const PlayOptions& o, const RenderPlan& plan, RenderMidiDevice& device, Sequencer& seq,
             RenderProgress& progress, RawKeyboard& keys, const std::atomic<bool>& interrupted)
        : o_(o), plan_(plan), device_(device), seq_(seq), progress_(progress), keys_(keys),
          interrupted_(interrupted) {}

    int run();

private:
    enum class Outcome { done, failed, stopped, noOutput };

    bool stopAsked();
    // Renders the song that is loaded into the file that is open.
    Outcome playSong(const SongShape& shape);
    // Whether the pass of the loop that has just ended leaves the song too long to go on,
    // and tells the progress line what is left.
    bool passTooLong(uint64_t steps, uint32_t loopsAtStart, uint64_t& passStart, uint32_t& passesSeen);
    Outcome renderSong(const RenderSong& song, RenderCount place);
    void fail(const std::string& line) {
        progress_.say("orvanel-play: " + line);
        exitCode_ = 1;
    }

    const PlayOptions& o_;
    const RenderPlan& plan_;
    RenderMidiDevice& device_;
    Sequencer& seq_;
    RenderProgress& progress_;
    RawKeyboard& keys_;
    const std::atomic<bool>& interrupted_;
    int exitCode_ = 0;
    bool fileBegun_ = false;  // a render into one file: the file is started
};

bool Renderer::stopAsked() {
    if (interrupted_) return true;
    while (keys_.active()) {
        const Key key = keys_.poll(0);
        if (key == Key::None) return false;
        if (key == Key::Quit) return true;
    }
    return false;
}

Renderer::Outcome Renderer::playSong(const SongShape& shape) {
    Sequencer& seq = seq_;
    const Settings& settings = *seq.settings;
    // Whatever came before is silenced and the module reset, as before every song played.
    seq.port.panic(settings.resetType, seq.channels);
    if (settings.resetAtPlayStart) seq.port.sendReset(settings.resetType);
    seq.loopMode = shape.loopMode;
    device_.startFade(0);  // a fade ends with its song, also within one file for all
    rewind(seq);
    seq.playing = true;
    const uint32_t loopsAtStart = seq.loopsPlayed;
    const uint64_t framesAtStart = device_.framesWritten();
    const uint64_t clippedAtStart = device_.clippedSamples();
    uint64_t steps = 0;
    int64_t fadeLeft = -1;  // steps until the fade is over; -1 before it begins
    bool cut = false;       // ended in a loop: nothing is left to die away
    // Seeks make a song longer than measured; a looping song is measured pass by pass.
    const uint64_t longest = o_.seeks.empty() && !shape.loopMode ? shape.totalSteps + kLengthSlack : UINT64_MAX;
    uint64_t passStart = 0;
    uint32_t passesSeen = seq.loopsPlayed;
    while (seq.playing) {
        step(seq, nullptr, true);
        seq.elapsedSteps = seq.elapsedSteps + 1;
        seq.port.endStep(kStepMs);
        ++steps;
        for (const SeekRequest& s : o_.seeks)
            if (s.afterStep == steps && seq.playing) seekSong(seq, s.percent);
        if ((o_.maxSteps >= 0 && int64_t(steps) >= o_.maxSteps) || steps >= longest) seq.playing = false;
        if (shape.loopMode && o_.seeks.empty() && passTooLong(steps, loopsAtStart, passStart, passesSeen)) seq.playing = false;
        if (fadeLeft > 0) {
            cut = --fadeLeft == 0;
        } else if (shape.loopMode && seq.loopsPlayed - loopsAtStart >= uint32_t(o_.loops)) {
            // The fade ends with the step that holds its last frame.
            cut = o_.fadeMs == 0;
            fadeLeft = int64_t((o_.fadeMs + kStepMs - 1) / kStepMs);
            device_.startFade(uint64_t(o_.fadeMs) * device_.sampleRate() / 1000);
        }
        if (cut) seq.playing = false;
        if (device_.errorText()[0]) return Outcome::failed;
        if (steps % kCheckEvery == 0) {
            if (stopAsked()) return Outcome::stopped;
            progress_.update(steps);
        }
    }
    if (!cut) seq.port.drain();
    if (device_.errorText()[0]) return Outcome::failed;
    progress_.finish((device_.framesWritten() - framesAtStart) * 100 / device_.sampleRate(),
                     device_.clippedSamples() - clippedAtStart);
    return Outcome::done;
}

bool Renderer::passTooLong(uint64_t steps, uint32_t loopsAtStart, uint64_t& passStart, uint32_t& passesSeen) {
    const uint32_t loops = seq_.loopsPlayed;
    if (loops != passesSeen) {
        // The passes still to come last as long as this one did.
        const uint32_t played = loops - loopsAtStart, asked = uint32_t(o_.loops);
        if (played <= asked)
            progress_.setTotal(steps + (asked - played) * (steps - passStart) + uint64_t((o_.fadeMs + kStepMs - 1) / kStepMs));
        passesSeen = loops;
        passStart = steps;
    }
    return steps - passStart > kLongestPass;
}

Renderer::Outcome Renderer::renderSong(const RenderSong& song, RenderCount place) {
    const bool ownFile = !song.output.empty();
    if (ownFile && exists(song.output) && !o_.force) {
        progress_.say("[" + std::to_string(place.index) + "/" + std::to_string(place.count) + "] " + song.shown +
                      "  kept: " + song.output + " exists (--force writes it anew)");
        return Outcome::done;
    }
    // The song first: a song that does not load leaves every file as it was.
    if (!loadWholeSong(seq_, song.path.c_str())) {
        fail(song.path + ": " + loadReason(seq_));
        return Outcome::done;
    }
    const SongShape shape = shapeOf(seq_, o_);
    std::string error;
    if (ownFile) {
        if (!makeParents(song.output, error) || !device_.beginFile(song.output, plan_.format, true)) {
            fail(error.empty() ? device_.errorText() : error);
            unloadSong(seq_);
            return Outcome::done;
        }
        notePartial(device_.partialPath());
    } else if (!fileBegun_) {
        if (!device_.beginFile(plan_.target, plan_.format, false)) {
            progress_.say(std::string("orvanel-play: ") + device_.errorText());
            unloadSong(seq_);
            return Outcome::noOutput;
        }
        fileBegun_ = true;
        notePartial(device_.partialPath());
    }
    progress_.begin(place, song.shown, shape.totalSteps);
    Outcome outcome = playSong(shape);
    seq_.playing = false;
    unloadSong(seq_);
    if (outcome == Outcome::done && ownFile && !device_.finishFile()) outcome = Outcome::failed;
    if (outcome == Outcome::failed) fail(device_.errorText());
    if (ownFile) {
        if (outcome != Outcome::done) device_.discardFile();
        notePartial("");
    }
    return outcome;
}

int Renderer::run() {
    Outcome outcome = Outcome::done;
    for (size_t i = 0; i < plan_.songs.size() && outcome == Outcome::done; ++i)
        outcome = renderSong(plan_.songs[i], {i + 1, plan_.songs.size()});
    // One file for all: started by the first song that loaded, none when no song did.
    if (fileBegun_) {
        if (outcome == Outcome::done && !device_.finishFile()) fail(device_.errorText());
        if (outcome != Outcome::done) device_.discardFile();
        notePartial("");
        // Each song's line counts its own; the last line of the run gives the file's.
        if (outcome == Outcome::done && plan_.songs.size() > 1 && device_.clippedSamples())
            progress_.say(plan_.target + ": " + std::to_string(device_.clippedSamples()) + " samples clipped in all");
    }
    if (outcome == Outcome::stopped) {
        progress_.abandon();
        return kStopped;
    }
    return outcome == Outcome::noOutput ? kNoOutput : exitCode_;
}

}  // namespace

void removePartialRenderInSignal() {
    if (partialKnown.load(std::memory_order_acquire)) unlink(partialForSignal);
}

void restoreRenderTerminalInSignal() { restoreTerminalInSignal(); }

void stopRenderInSignal() { stopInSignal(); }

int runRender(const PlayOptions& options, const Settings& settings, const std::atomic<bool>& interrupted) {
    RenderPlan plan;
    std::string error;
    if (!makeRenderPlan(options, plan, error)) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return 2;
    }
    if (plan.songs.empty()) {
        std::fprintf(stderr, "orvanel-play: %s: no songs to render\n", options.files[0].c_str());
        return 1;
    }
    if (plan.target == "-" && isatty(STDOUT_FILENO)) {
        std::fprintf(stderr, "orvanel-play: the audio would go to the terminal: send standard output to a file or a pipe\n");
        return kNoOutput;
    }
    if (!checkOutputs(plan, options.force, error)) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kNoOutput;
    }
    // Past a file size limit a write fails with its reason, and the file in progress is
    // removed, instead of the program being ended where it stands.
    std::signal(SIGXFSZ, SIG_IGN);
    RenderMidiDevice device("", options.soundFont, soundFormatRate(plan.format, uint32_t(options.rate)));
    device.setTone(options.gainDb, options.reverb, options.chorus);
    if (!device.open()) {
        std::fprintf(stderr, "orvanel-play: %s\n", device.errorText());
        return kNoOutput;
    }
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    seq->port.attach(&device);
    initSequencer(*seq);
    seq->songStore = options.songStore;
    seq->port.open();

    RawKeyboard keys;
    RenderProgress progress(stderr, isatty(STDERR_FILENO));
    if (keys.active()) std::fputs(kRenderKeysText, stderr);
    Renderer renderer(options, plan, device, *seq, progress, keys, interrupted);
    const int rc = interrupted ? kStopped : renderer.run();
    device.close();
    return interrupted ? kStopped : rc;
}
