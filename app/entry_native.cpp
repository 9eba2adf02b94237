// The process entry of the native celpack: hands the arguments to the
// platform layer, which makes the UTF-16 command line of them, then runs
// the program. Shut-down ends the process; main never returns.
#include "app/celpack_main.h"
#include "platform/native/seams.h"

int main(int argc, char** argv) {
    nativeSetArguments(argc, argv);
    runCelpack();
}
