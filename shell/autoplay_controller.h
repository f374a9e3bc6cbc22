#pragma once
// The autoplay controller: run from the 200 ms idle tick while an autoplay run is active.
// Whenever nothing plays it takes the next song of the play list (or of the dropped
// files), loads and starts it; at the end of the list it finishes the run, starts it over
// ("bigloop"), or goes back to the first song and pauses (keep the list).
struct Program;

void autoplayTick(Program& p);
