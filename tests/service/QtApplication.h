// The one Qt application object the service's tests run their event loops in.
#pragma once

#include <QCoreApplication>

namespace brevant::test {

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "service_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

}  // namespace brevant::test
