#pragma once

#include "Controls.h"
#include "QtPrinters.h"
#include "SchemaFile.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "wizard/Taaform1.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace qv::test {

// The enabled states and captions of Back, Next, Close and Help.
struct Buttons {
    bool back;
    QString next;
    bool nextEnabled;
    QString cancel;
    bool cancelEnabled;
    bool help;
    bool operator==(const Buttons&) const = default;
};

void PrintTo(const Buttons& b, std::ostream* out);

// The real wizard window in English, with scripted message boxes, a schema
// file with DEPT (4 rows), EMP (14) and BIG (3000), and a database of its own.
class Wizard : public ::testing::Test {
protected:
    Wizard();
    void SetUp() override;
    void TearDown() override { form.reset(); }

    Buttons buttons() const;
    // Pages 1 to 4 filled in and passed; the wizard then stands on page 5.
    void walkToPage5();
    void fillMySql(const QString& password = QStringLiteral("qvtest"));
    void select(const QStringList& tables);
    QStringList names(const QListWidget* list) const;

    // The window's controls by object name; see Controls.h.
    template <class T>
    T* control(const QString& name) const
    {
        return test::control<T>(*form, name);
    }
    QPushButton* button(const QString& name) const;
    QLineEdit* edit(const QString& name) const;
    QListWidget* list(const QString& name) const;

    SchemaFile schema;
    TestDatabase db;
    ScriptedDialogs dialogs;
    std::unique_ptr<Taaform1> form;
};

}  // namespace qv::test
