#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qv {

// The caption of the program's message boxes.
inline QString applicationTitle()
{
    return QStringLiteral("Quorvane 4.0");
}

// The standard error display ends its text with a full stop unless the text
// already ends in one or in a character that sorts before it.
inline QString withFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

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
    // A save-file dialog that appends defaultSuffix to a name typed without
    // an extension and replaces an existing file without asking. filter is in
    // Qt's form, "description (*.ext)". The chosen path, or the empty text when
    // cancelled; where no dialog can be shown, the answer is always cancel.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& defaultSuffix)
    {
        (void)parent, (void)caption, (void)filter, (void)defaultSuffix;
        return {};
    }
};

// Message boxes of Qt Widgets.
class QtDialogs : public Dialogs {
public:
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override;
    void notify(QWidget* parent, const QString& caption, const QString& text) override;
    void showError(QWidget* parent, const QString& caption, const QString& text) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& filter,
                         const QString& defaultSuffix) override;
};

// Runs a control's action the way the event loop would: a failure goes to
// the standard error display over parent, the silent abort to nobody.
void guarded(Dialogs& dialogs, QWidget* parent, const std::function<void()>& action);

}  // namespace qv
