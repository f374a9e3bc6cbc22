#pragma once
// The render of orvanel-play (--device=wav:OUT or file:OUT): every song through the
// embedded synth into audio files as fast as it renders. A looping song (--loop-mode
// loop, or cc111loop with a loop point) plays its loop --loops times in all, then goes on
// looping while the output fades out over --fade seconds; any other song ends with its
// last notes dying away. q and Ctrl-C stop: the file in progress is removed, the finished
// ones stay. A song is loaded before its file is opened, so a song that does not load
// leaves the file that was there as it was; "-" is standard output.
#include <atomic>
#include <string>

#include "cli/options.h"

struct Settings;

// Runs the render; returns the exit code: 0 all rendered (or kept), 1 a song could not
// be loaded or a file not written (or no songs), 2 bad usage, 3 no synth or an output
// that cannot be made (found before the SoundFont is loaded), 130 stopped.
int runRender(const PlayOptions& options, const Settings& settings, const std::atomic<bool>& interrupted);

// Removes the file in progress under its temporary name, from a signal handler that ends
// the program at once (async-signal-safe).
void removePartialRenderInSignal();

// The render's progress line and keys live where the render runs (the synth module, with
// a terminal state of its own): the player's signal handlers give that terminal back
// through these, async-signal-safe. The first restores it; the second stops the program
// for Ctrl-Z with it given back, and takes the keys again once continued in the foreground.
void restoreRenderTerminalInSignal();
void stopRenderInSignal();
