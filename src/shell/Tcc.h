#pragma once

#include <QWidget>

class QPlainTextEdit;
class QTabWidget;

namespace qv {

// The scratch window, never shown: its memo holds the text last copied to
// the clipboard.
class Tcc : public QWidget {
public:
    explicit Tcc(QWidget* parent = nullptr);

    // Replaces the clipboard's content with `text`, through the memo.
    void CopyTextToClipboard(const QString& text);

    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* tmpmemo = nullptr;
};

}  // namespace qv
