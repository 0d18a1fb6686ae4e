// The program on the real keyboard.

#include "app/ui/CTarvinApp.h"
#include "device/Clock.h"
#include "device/HidapiTransport.h"

int main(int argc, char** argv) {
    vandrel::CTarvinApp app(argc, argv);
    vandrel::HidapiTransport transport;
    vandrel::RealClock clock;
    return app.runMainDialog(transport, clock, {});
}
