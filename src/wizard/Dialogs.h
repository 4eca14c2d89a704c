#pragma once

#include <QString>

class QWidget;

namespace qv {

// Every message box of the wizard goes through here, so tests can answer
// them and unattended runs never wait for a click.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A Yes/No question without an icon, Yes the default; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A plain notice: no icon, an OK button.
    virtual void notify(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The standard error display: an error icon, an OK button.
    virtual void showError(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// Message boxes of Qt Widgets.
class QtDialogs : public Dialogs {
public:
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override;
    void notify(QWidget* parent, const QString& caption, const QString& text) override;
    void showError(QWidget* parent, const QString& caption, const QString& text) override;
};

}  // namespace qv
