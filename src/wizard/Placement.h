#pragma once

#include <QGuiApplication>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QString>

namespace qv {

// Names a control after its component and puts it at its design position.
template <typename Widget>
Widget* place(Widget* widget, const QString& name, const QRect& geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

// A push button that Enter in a field never presses.
inline QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry)
{
    auto* result = place(new QPushButton(caption, parent), name, geometry);
    result->setAutoDefault(false);
    result->setDefault(false);
    return result;
}

// Puts a window in the middle of the screen's available area.
inline void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

}  // namespace qv
