#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace qv {

// A framed group of radio buttons chosen by item index; -1 means no choice.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& objectName, const QStringList& items, QWidget* parent);

    int itemIndex() const { return buttons_.checkedId(); }
    void setItemIndex(int index);
    int itemCount() const { return int(buttons_.buttons().size()); }

signals:
    // Every change of the choice, by the user or from code.
    void itemIndexChanged(int index);

private:
    QButtonGroup buttons_;
};

}  // namespace qv
