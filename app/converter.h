// The tool's own logic, run once between start-up and shut-down: takes the
// picture named by the first parameter, draws it on a black canvas, packs
// the canvas's glyph cells into NAME.fnt beside the picture, and reports
// what went wrong in a box captioned "Error".
#ifndef CELPACK_CONVERTER_H
#define CELPACK_CONVERTER_H

#include "platform/platform.h"

// The numbered objects of one run.
#define PICTURE_IMAGE 0
#define CANVAS_IMAGE 1
#define FONT_FILE 0

// The canvas is one pixel wider and taller than the sheet; that row and
// column never reach the font.
#define CANVAS_SIDE 257

// Runs the conversion for the process's command line. Every outcome ends
// here; the caller goes on to shut-down. The images and the file it leaves
// are released by shut-down.
void runConverter();

// The names of the last run, kept on the StringHeap; null before a run
// got that far.
extern WCHAR* pictureName;
extern WCHAR* fontName;

#endif
