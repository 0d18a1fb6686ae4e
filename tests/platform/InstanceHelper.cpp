// Test helper: `InstanceHelper serve <key>` becomes the first instance, prints
// "ready", and exits 0 after one activation request (2 after 10 s without one);
// `InstanceHelper crash <key>` becomes the first instance and dies at once
// without releasing anything.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    QCoreApplication app(argc, argv);
    vandrel::SingleInstance instance(QString::fromUtf8(argv[2]));
    if (!instance.tryBecomePrimary()) {
        std::puts("secondary");
        return 1;
    }
    if (std::strcmp(argv[1], "crash") == 0) {
        std::puts("crashed");
        std::fflush(stdout);
        _exit(0);
    }
    QObject::connect(&instance, &vandrel::SingleInstance::activationRequested, &app, [] {
        std::puts("activated");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(2); });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
