#include "ListNames.h"
#include "Taaform1.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace qv {

namespace {

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

void Taaform1::moveSelected(QListWidget* from, QListWidget* to)
{
    // Walking backwards and inserting at one position keeps the moved names
    // in the order they had.
    const int p = to->count();
    for (int i = from->count() - 1; i >= 0; --i) {
        if (!from->item(i)->isSelected())
            continue;
        to->insertItem(p, from->item(i)->text());
        delete from->takeItem(i);
    }
}

void Taaform1::Button1Click()
{
    moveSelected(availabletables, selecttables);
    updateNextOnPage5();
}

void Taaform1::Button3Click()
{
    moveSelected(selecttables, availabletables);
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
