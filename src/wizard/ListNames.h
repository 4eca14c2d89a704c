#pragma once

#include <QListWidget>
#include <QStringList>

namespace qv {

// The texts of a list's items, in list order.
inline QStringList namesOf(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

}  // namespace qv
