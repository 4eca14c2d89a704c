#pragma once

#include "wizard/Dialogs.h"

#include <functional>

namespace qv {

// Message boxes of a run without a display: nobody could click them, so each
// message goes to standard error and to `onMessage`, and no question is
// answered Yes.
class HeadlessDialogs : public Dialogs {
public:
    std::function<void(const QString& text)> onMessage;

    bool confirm(QWidget* parent, const QString& caption, const QString& text) override;
    void notify(QWidget* parent, const QString& caption, const QString& text) override;
    void showError(QWidget* parent, const QString& caption, const QString& text) override;
    bool messageShown() const { return messageShown_; }

private:
    void tell(const QString& text);
    bool messageShown_ = false;
};

}  // namespace qv
