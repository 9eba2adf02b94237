// The process entry of the native celpack: hands the arguments to the
// platform layer, which makes the UTF-16 command line of them, then runs
// the program. Shut-down ends the process; main never returns.
#include "app/celpack_main.h"
#include "platform/native/process_entry.h"

int main(int argc, char** argv) {
    nativeStartProcess(argc, argv);
    runCelpack();
}
