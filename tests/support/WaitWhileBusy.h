#pragma once
// Runs the event loop until the configuration service has no transfer under
// way and the answers of the finished ones have been delivered.

#include <QCoreApplication>
#include <QThread>

#include "app/service/ConfigurationService.h"

namespace vandrel::test {

inline void waitWhileBusy(ConfigurationService& service) {
    while (service.busy()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (service.busy()) QThread::msleep(1);
    }
}

}  // namespace vandrel::test
