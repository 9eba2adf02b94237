// The tool's own logic, run once between start-up and shut-down: takes the
// picture named by the first parameter, draws it on a black canvas, packs
// the canvas's glyph cells into NAME.fnt beside the picture, and reports
// what went wrong in a box captioned "Error". NAME.fnt is only ever
// replaced whole: the new font is written under a temporary name beside it
// and renamed over it once every byte is on the disk.
#ifndef CELPACK_CONVERTER_H
#define CELPACK_CONVERTER_H

#include "platform/platform.h"

// The output's number in the file table.
#define FONT_FILE 0

// Runs the conversion for the process's command line. Every outcome ends
// here; the caller goes on to shut-down. The images and the file it leaves
// are released by shut-down.
void runConverter();

#endif
