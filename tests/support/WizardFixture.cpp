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
    return {form->btback->isEnabled(), form->btnext->text(), form->btnext->isEnabled(), form->btcancel->text(),
            form->btcancel->isEnabled(), form->bthelp->isEnabled()};
}

void Wizard::walkToPage5()
{
    const Buttons middle{true, "Next >", true, "Close", true, true};
    form->btnext->click();
    EXPECT_EQ(buttons(), middle);
    EXPECT_EQ(form->focusWidget(), form->edtservice);
    form->edtservice->setText(schema.service());
    form->edtoracleusername->setText(QStringLiteral("scott"));
    form->edtoraclepassword->setText(QStringLiteral("tiger"));
    form->btnext->click();
    ASSERT_EQ(form->currentStep(), 3) << dialogs.texts(QStringLiteral("error")).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(buttons(), middle);
    EXPECT_EQ(form->focusWidget(), form->edtdatabase);
    fillMySql();
    form->btnext->click();
    ASSERT_EQ(form->currentStep(), 4) << dialogs.texts(QStringLiteral("error")).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(buttons(), middle);
    EXPECT_TRUE(form->Label4->font().bold());
    form->btnext->click();
    ASSERT_EQ(form->currentStep(), 5);
}

void Wizard::fillMySql(const QString& password)
{
    form->accessmode->setItemIndex(1);
    form->edthost->setText(QStringLiteral("127.0.0.1"));
    form->edtport->setText(QString::number(db.sandbox().port));
    form->edtdatabase->setText(db.name());
    form->edtname->setText(QStringLiteral("qvtest"));
    form->edtpassword->setText(password);
}

void Wizard::select(const QStringList& tables)
{
    for (const QString& table : tables)
        form->selecttables->addItem(table);
}

QStringList Wizard::names(const QListWidget* list) const
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

}  // namespace qv::test
