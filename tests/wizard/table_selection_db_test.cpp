#include "support/WizardFixture.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class TableSelection : public Wizard {
protected:
    void SetUp() override
    {
        Wizard::SetUp();
        walkToPage5();
        // Replace the listed tables by names that show the ordering rules.
        form->availabletables->clear();
        form->availabletables->addItems({"A", "b", "C", "d"});
    }

    void pick(QListWidget* list, const QStringList& wanted)
    {
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(wanted.contains(list->item(i)->text()));
    }

    int selectedCount(const QListWidget* list) const { return int(list->selectedItems().size()); }
};

}  // namespace

TEST_F(TableSelection, AddMovesTheSelectedNamesInListOrderToTheEnd)
{
    form->Button1->click();  // nothing selected
    EXPECT_EQ(names(form->selecttables), QStringList());
    EXPECT_FALSE(form->btnext->isEnabled());

    pick(form->availabletables, {"C"});
    form->Button1->click();
    pick(form->availabletables, {"d", "b"});
    form->Button1->click();
    EXPECT_EQ(names(form->selecttables), (QStringList{"C", "b", "d"}));
    EXPECT_EQ(names(form->availabletables), QStringList{"A"});
    EXPECT_TRUE(form->btnext->isEnabled());
    EXPECT_EQ(selectedCount(form->selecttables), 0);  // moved names arrive unselected
}

TEST_F(TableSelection, RemovePutsNamesBackInTheirSortedPlace)
{
    form->Button2->click();  // Add all
    EXPECT_EQ(names(form->selecttables), (QStringList{"A", "b", "C", "d"}));
    EXPECT_EQ(form->availabletables->count(), 0);

    pick(form->selecttables, {"b", "d"});
    form->Button3->click();
    EXPECT_EQ(names(form->availabletables), (QStringList{"b", "d"}));
    EXPECT_EQ(names(form->selecttables), (QStringList{"A", "C"}));
    pick(form->selecttables, {"C"});
    form->Button3->click();
    EXPECT_EQ(names(form->availabletables), (QStringList{"b", "C", "d"}));
    EXPECT_EQ(selectedCount(form->availabletables), 0);
    EXPECT_TRUE(form->btnext->isEnabled());

    pick(form->selecttables, {"A"});
    form->Button3->click();  // the last one
    EXPECT_EQ(names(form->availabletables), (QStringList{"A", "b", "C", "d"}));
    EXPECT_FALSE(form->btnext->isEnabled());
}

TEST_F(TableSelection, RemoveAllSortsAndDisablesNext)
{
    pick(form->availabletables, {"d", "A"});
    form->Button1->click();
    form->Button4->click();
    EXPECT_EQ(names(form->availabletables), (QStringList{"A", "b", "C", "d"}));
    EXPECT_EQ(form->selecttables->count(), 0);
    EXPECT_FALSE(form->btnext->isEnabled());
    form->Button4->click();  // on an empty list
    EXPECT_FALSE(form->btnext->isEnabled());
    form->availabletables->clear();
    form->Button2->click();  // Add all on an empty list
    EXPECT_EQ(form->selecttables->count(), 0);
}

TEST_F(TableSelection, DoubleClickMovesTheNameUnderThePointer)
{
    pick(form->availabletables, {"C"});
    emit form->availabletables->itemDoubleClicked(form->availabletables->item(2));
    EXPECT_EQ(names(form->selecttables), QStringList{"C"});
    pick(form->selecttables, {"C"});
    emit form->selecttables->itemDoubleClicked(form->selecttables->item(0));
    EXPECT_EQ(names(form->availabletables), (QStringList{"A", "b", "C", "d"}));
}

TEST_F(TableSelection, TheRunConvertsInSelectionOrder)
{
    form->availabletables->clear();
    form->availabletables->addItems({"BIG", "DEPT", "EMP"});
    pick(form->availabletables, {"EMP"});
    form->Button1->click();
    pick(form->availabletables, {"DEPT"});
    form->Button1->click();
    form->chktabledefi->setChecked(true);
    form->btnext->click();
    EXPECT_EQ(form->logLines().mid(0, 4),
              (QStringList{"Create table EMP...Done", "", "Create table DEPT...Done", ""}));
}
