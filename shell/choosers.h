#pragma once
// The song chooser, which remembers its folder in kivo.txt, and the skin chooser with the
// change of the skin bitmap while the program runs.
struct Program;

// Shows the open-file dialog over songPath. True when a file was chosen (songPath holds
// it and kivo.txt its folder).
bool chooseSong(Program& p);
// Command "別のOrvaを探す": choose a skin bitmap and show it.
void chooseAndChangeSkin(Program& p);
