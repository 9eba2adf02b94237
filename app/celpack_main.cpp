#include "app/celpack_main.h"

#include "app/converter.h"
#include "drawing/drawing_session.h"
#include "file/output_file.h"
#include "image/image_loading.h"
#include "image/image_object.h"

const RuntimeLibraries celpackLibraries = {
    initImageDecoders, initImages, initDrawing, initFiles, endFiles, endImages,
};

void runCelpack() {
    startRuntime(&celpackLibraries);
    runConverter();
    endRuntime();
}
