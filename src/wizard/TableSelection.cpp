#include "Taaform1.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace qv {

namespace {

QStringList namesOf(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// Ascending without regard to case; names that compare equal keep their order.
void sortWithoutCase(QListWidget* list)
{
    QStringList names = namesOf(list);
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    list->clear();
    list->addItems(names);
}

}  // namespace

void Taaform1::insertSorted(QListWidget* list, const QString& name)
{
    int row = 0;
    while (row < list->count() && list->item(row)->text().compare(name, Qt::CaseInsensitive) <= 0)
        ++row;
    list->insertItem(row, name);
}

void Taaform1::Button1Click()
{
    // Walking backwards and inserting at one position keeps the moved names
    // in the order they had.
    const int p = selecttables->count();
    for (int i = availabletables->count() - 1; i >= 0; --i) {
        if (!availabletables->item(i)->isSelected())
            continue;
        selecttables->insertItem(p, availabletables->item(i)->text());
        delete availabletables->takeItem(i);
    }
    updateNextOnPage5();
}

void Taaform1::Button3Click()
{
    const int p = availabletables->count();
    for (int i = selecttables->count() - 1; i >= 0; --i) {
        if (!selecttables->item(i)->isSelected())
            continue;
        availabletables->insertItem(p, selecttables->item(i)->text());
        delete selecttables->takeItem(i);
    }
    sortWithoutCase(availabletables);
    updateNextOnPage5();
}

void Taaform1::Button2Click()
{
    selecttables->addItems(namesOf(availabletables));
    availabletables->clear();
    updateNextOnPage5();
}

void Taaform1::Button4Click()
{
    for (const QString& name : namesOf(selecttables))
        insertSorted(availabletables, name);
    selecttables->clear();
    sortWithoutCase(availabletables);
    updateNextOnPage5();
}

void Taaform1::availabletablesDblClick()
{
    Button1Click();
}

void Taaform1::selecttablesDblClick()
{
    Button3Click();
}

}  // namespace qv
