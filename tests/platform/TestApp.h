#pragma once
// One QApplication for the whole test binary, created on first use and never
// destroyed (Qt objects of the tests may outlive main's locals).

#include <QApplication>

namespace vandrel::test {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace vandrel::test
