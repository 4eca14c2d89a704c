#include "RadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

RadioGroup::RadioGroup(const QString& objectName, const QStringList& items, QWidget* parent) : QGroupBox(parent)
{
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        buttons_.addButton(button, i);
        layout->addWidget(button);
    }
    connect(&buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton* button = buttons_.button(index)) {
        button->setChecked(true);
        return;
    }
    // No choice: an exclusive group cannot uncheck its last button.
    const int previous = buttons_.checkedId();
    buttons_.setExclusive(false);
    for (QAbstractButton* button : buttons_.buttons())
        button->setChecked(false);
    buttons_.setExclusive(true);
    if (previous != -1)
        emit itemIndexChanged(-1);
}

}  // namespace qv
