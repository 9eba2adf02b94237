// What the native program's main hands the layer before anything else.
// Product code's only native-only door: the Windows build has no main.
#ifndef CELPACK_NATIVE_PROCESS_ENTRY_H
#define CELPACK_NATIVE_PROCESS_ENTRY_H

// Takes the arguments, from which GetCommandLineW is made, and sets the
// process up as the platform's: a write to a closed pipe or past the
// file-size limit fails with an error instead of ending the process.
void nativeStartProcess(int count, char** arguments);

#endif
