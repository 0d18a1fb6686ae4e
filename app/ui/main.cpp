// The program on the real keyboard.

#include "app/ui/CTarvinApp.h"
#include "device/Clock.h"
#include "device/HidapiTransport.h"

int main(int argc, char** argv) {
    if (const int code = vandrel::CTarvinApp::handleCommandLine(argc, argv, false); code >= 0) return code;
    vandrel::CTarvinApp app(argc, argv);
    vandrel::HidapiTransport transport;
    vandrel::RealClock clock;
    return app.runMainDialog(transport, clock, {});
}
