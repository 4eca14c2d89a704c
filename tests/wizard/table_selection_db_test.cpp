#include "support/WizardFixture.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class TableLists : public Wizard {
protected:
    void SetUp() override
    {
        Wizard::SetUp();
        walkToPage5();
        available = list("availabletables");
        selected = list("selecttables");
        // Replace the listed tables by names that show the ordering rules.
        available->clear();
        available->addItems({"A", "b", "C", "d"});
    }

    void pick(QListWidget* list, const QStringList& wanted)
    {
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(wanted.contains(list->item(i)->text()));
    }

    int selectedCount(const QListWidget* list) const { return int(list->selectedItems().size()); }

    QListWidget* available = nullptr;
    QListWidget* selected = nullptr;
};

}  // namespace

TEST_F(TableLists, AddMovesTheSelectedNamesInListOrderToTheEnd)
{
    button("Button1")->click();  // nothing selected
    EXPECT_EQ(names(selected), QStringList());
    EXPECT_FALSE(button("btnext")->isEnabled());

    pick(available, {"C"});
    button("Button1")->click();
    pick(available, {"d", "b"});
    button("Button1")->click();
    EXPECT_EQ(names(selected), (QStringList{"C", "b", "d"}));
    EXPECT_EQ(names(available), QStringList{"A"});
    EXPECT_TRUE(button("btnext")->isEnabled());
    EXPECT_EQ(selectedCount(selected), 0);  // moved names arrive unselected
}

TEST_F(TableLists, RemovePutsNamesBackInTheirSortedPlace)
{
    button("Button2")->click();  // Add all
    EXPECT_EQ(names(selected), (QStringList{"A", "b", "C", "d"}));
    EXPECT_EQ(available->count(), 0);

    pick(selected, {"b", "d"});
    button("Button3")->click();
    EXPECT_EQ(names(available), (QStringList{"b", "d"}));
    EXPECT_EQ(names(selected), (QStringList{"A", "C"}));
    pick(selected, {"C"});
    button("Button3")->click();
    EXPECT_EQ(names(available), (QStringList{"b", "C", "d"}));
    EXPECT_EQ(selectedCount(available), 0);
    EXPECT_TRUE(button("btnext")->isEnabled());

    pick(selected, {"A"});
    button("Button3")->click();  // the last one
    EXPECT_EQ(names(available), (QStringList{"A", "b", "C", "d"}));
    EXPECT_FALSE(button("btnext")->isEnabled());
}

TEST_F(TableLists, RemoveAllSortsAndDisablesNext)
{
    pick(available, {"d", "A"});
    button("Button1")->click();
    button("Button4")->click();
    EXPECT_EQ(names(available), (QStringList{"A", "b", "C", "d"}));
    EXPECT_EQ(selected->count(), 0);
    EXPECT_FALSE(button("btnext")->isEnabled());
    button("Button4")->click();  // on an empty list
    EXPECT_FALSE(button("btnext")->isEnabled());
    available->clear();
    button("Button2")->click();  // Add all on an empty list
    EXPECT_EQ(selected->count(), 0);
}

TEST_F(TableLists, DoubleClickMovesTheNameUnderThePointer)
{
    pick(available, {"C"});
    emit available->itemDoubleClicked(available->item(2));
    EXPECT_EQ(names(selected), QStringList{"C"});
    pick(selected, {"C"});
    emit selected->itemDoubleClicked(selected->item(0));
    EXPECT_EQ(names(available), (QStringList{"A", "b", "C", "d"}));
}

TEST_F(TableLists, TheRunConvertsInSelectionOrder)
{
    available->clear();
    available->addItems({"BIG", "DEPT", "EMP"});
    pick(available, {"EMP"});
    button("Button1")->click();
    pick(available, {"DEPT"});
    button("Button1")->click();
    control<QCheckBox>("chktabledefi")->setChecked(true);
    button("btnext")->click();
    EXPECT_EQ(form->logLines().mid(0, 4),
              (QStringList{"Create table EMP...Done", "", "Create table DEPT...Done", ""}));
}
