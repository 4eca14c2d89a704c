#include "ScriptedDialogs.h"

#include <QApplication>

namespace qv::test {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "quorvane-test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);  // lives until the test program ends
}

}  // namespace qv::test
