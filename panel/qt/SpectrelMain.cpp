#include "panel/qt/SpectrelApp.h"

int main(int argc, char** argv) {
    CSpectrelApp app;
    return app.Run(argc, argv);
}
