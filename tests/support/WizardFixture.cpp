#include "WizardFixture.h"

#include "wizard/RadioGroup.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace qv::test {

namespace {

const char* const scottSchema =
    "create table DEPT (DEPTNO NUMBER(2) primary key, DNAME VARCHAR2(14), LOC VARCHAR2(13));"
    "insert into DEPT values (10, 'ACCOUNTING', 'NEW YORK'), (20, 'RESEARCH', 'DALLAS'),"
    " (30, 'SALES', 'CHICAGO'), (40, 'OPERATIONS', 'BOSTON');"
    "create table EMP (EMPNO NUMBER(4) primary key, ENAME VARCHAR2(10), SAL NUMBER(7,2), DEPTNO NUMBER(2));"
    "insert into EMP with recursive c(x) as (select 1 union all select x + 1 from c where x < 14)"
    " select 7000 + x, 'E' || x, 1000 + x, 10 * (1 + x % 4) from c;"
    "create table BIG (ID NUMBER(6), NAME VARCHAR2(20));"
    "insert into BIG with recursive c(x) as (select 1 union all select x + 1 from c where x < 3000)"
    " select x, 'row ' || x from c;";

}  // namespace

void PrintTo(const Buttons& b, std::ostream* out)
{
    *out << "back " << b.back << ", next '" << b.next.toStdString() << "' " << b.nextEnabled << ", cancel '"
         << b.cancel.toStdString() << "' " << b.cancelEnabled << ", help " << b.help;
}

Wizard::Wizard() : schema(QString::fromLatin1(scottSchema)) {}

void Wizard::SetUp()
{
    resetStoredSettings();
    qputenv("QUORVANE_LANGUAGE", "en");
    form = std::make_unique<Taaform1>(dialogs);
    form->show();
}

Buttons Wizard::buttons() const
{
    const QPushButton* const next = button("btnext");
    const QPushButton* const cancel = button("btcancel");
    return {button("btback")->isEnabled(), next->text(), next->isEnabled(), cancel->text(), cancel->isEnabled(),
            button("bthelp")->isEnabled()};
}

void Wizard::walkToPage5()
{
    const Buttons middle{true, "Next >", true, "Close", true, true};
    QPushButton* const next = button("btnext");
    next->click();
    EXPECT_EQ(buttons(), middle);
    EXPECT_EQ(form->focusWidget(), edit("edtservice"));
    edit("edtservice")->setText(schema.service());
    edit("edtoracleusername")->setText(QStringLiteral("scott"));
    edit("edtoraclepassword")->setText(QStringLiteral("tiger"));
    next->click();
    ASSERT_EQ(form->currentStep(), 3) << dialogs.texts(QStringLiteral("error")).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(buttons(), middle);
    EXPECT_EQ(form->focusWidget(), edit("edtdatabase"));
    fillMySql();
    next->click();
    ASSERT_EQ(form->currentStep(), 4) << dialogs.texts(QStringLiteral("error")).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(buttons(), middle);
    EXPECT_TRUE(control<QLabel>("Label4")->font().bold());
    next->click();
    ASSERT_EQ(form->currentStep(), 5);
}

void Wizard::fillMySql(const QString& password)
{
    control<RadioGroup>("accessmode")->setItemIndex(1);
    edit("edthost")->setText(QStringLiteral("127.0.0.1"));
    edit("edtport")->setText(QString::number(db.sandbox().port));
    edit("edtdatabase")->setText(db.name());
    edit("edtname")->setText(QStringLiteral("qvtest"));
    edit("edtpassword")->setText(password);
}

void Wizard::select(const QStringList& tables)
{
    for (const QString& table : tables)
        list("selecttables")->addItem(table);
}

QPushButton* Wizard::button(const QString& name) const
{
    return control<QPushButton>(name);
}

QLineEdit* Wizard::edit(const QString& name) const
{
    return control<QLineEdit>(name);
}

QListWidget* Wizard::list(const QString& name) const
{
    return control<QListWidget>(name);
}

QStringList Wizard::names(const QListWidget* list) const
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

}  // namespace qv::test
