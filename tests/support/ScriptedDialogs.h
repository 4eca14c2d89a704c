#pragma once

#include "wizard/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qv::test {

// Answers the wizard's message boxes from a script and keeps what they said.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "confirm", "notify", "error" or "save"
        QString caption;
        QString text;
    };

    QList<bool> answers;  // for confirm, in order; No when the script has run out
    std::function<void()> whileAsking;  // runs while a question is open, before it is answered
    // For saveFileName, in order; an empty path (or none left) is a cancel.
    QStringList savePaths;
    struct SaveRequest {
        QString caption;
        QString filter;
        QString defaultSuffix;
    };
    QList<SaveRequest> saveRequests;
    QList<Shown> shown;

    bool confirm(QWidget*, const QString& caption, const QString& text) override
    {
        shown.append({QStringLiteral("confirm"), caption, text});
        if (whileAsking)
            whileAsking();
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void notify(QWidget*, const QString& caption, const QString& text) override
    {
        shown.append({QStringLiteral("notify"), caption, text});
    }
    void showError(QWidget*, const QString& caption, const QString& text) override
    {
        shown.append({QStringLiteral("error"), caption, text});
    }
    QString saveFileName(QWidget*, const QString& caption, const QString& filter,
                         const QString& defaultSuffix) override
    {
        saveRequests.append({caption, filter, defaultSuffix});
        shown.append({QStringLiteral("save"), caption, filter});
        return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
    }

    QStringList texts(const QString& kind) const
    {
        QStringList result;
        for (const Shown& s : shown)
            if (s.kind == kind)
                result << s.text;
        return result;
    }
};

// The QApplication that GUI tests need, made once per test program, with
// HOME and the XDG folders in a temporary folder of its own, so no test
// reads or writes the real user's settings.
void ensureApplication();

// Removes the stored settings, so the next window starts as on a first run.
void resetStoredSettings();

}  // namespace qv::test
