#include "Taaform1.h"

#include "Dialogs.h"
#include "Placement.h"
#include "ProgressText.h"
#include "RadioGroup.h"
#include "StoredSettings.h"
#include "data/Errors.h"
#include "data/TrimmedText.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QUrl>

namespace qv {

Taaform1::Taaform1(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("aaform1"));
    ensureDataFolder();
    buildLayout();

    // Each control's action is connected once; pressing a button from code
    // calls the action itself, whatever the button's state.
    connect(btnext, &QPushButton::clicked, this, [this] { guarded([this] { btnextClick(); }); });
    connect(btback, &QPushButton::clicked, this, [this] { guarded([this] { btbackClick(); }); });
    connect(btcancel, &QPushButton::clicked, this, [this] { guarded([this] { btcancelClick(); }); });
    connect(bthelp, &QPushButton::clicked, this, [this] { guarded([this] { bthelpClick(); }); });
    connect(loaditems, &QPushButton::clicked, this, [this] { guarded([this] { loaditemsClick(); }); });
    connect(Button8, &QPushButton::clicked, this, [this] { guarded([this] { Button8Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
    connect(btcreatebat, &QPushButton::clicked, this, [this] {
        if (onCreateJob_)
            guarded(onCreateJob_);
    });
    // A double-click has selected the name under the pointer by now.
    connect(availabletables, &QListWidget::itemDoubleClicked, this,
            [this] { guarded([this] { availabletablesDblClick(); }); });
    connect(selecttables, &QListWidget::itemDoubleClicked, this,
            [this] { guarded([this] { selecttablesDblClick(); }); });
    connect(accessmode, &RadioGroup::itemIndexChanged, this, [this] { guarded([this] { accessmodeClick(); }); });
    connect(selecttables->model(), &QAbstractItemModel::rowsInserted, this, [this] { updateNextOnPage5(); });
    connect(selecttables->model(), &QAbstractItemModel::rowsRemoved, this, [this] { updateNextOnPage5(); });
    connect(selecttables->model(), &QAbstractItemModel::modelReset, this, [this] { updateNextOnPage5(); });
    Image1->installEventFilter(this);
    for (QLineEdit* field : findChildren<QLineEdit*>())
        field->installEventFilter(this);

    uiLanguage_ = qEnvironmentVariable("QUORVANE_LANGUAGE") == QLatin1String("en") ? UiLanguage::English
                                                                                   : UiLanguage::Chinese;
    ApplyCaptions();
    stopRequested_ = false;
    stopBound_ = false;
    setWindowTitle(applicationTitle());
    accessmodeClick();
    // Values read before a bad one are shown; the bad one and those after
    // it keep the controls' values.
    ConversionSettings stored = settings();
    guarded([&stored] { loadStoredSettings(stored); });
    applySettings(stored);
    currentStep_ = 1;
    Panel4->move(1, 1);
    ShowStep(1);
    centreOnScreen(this);
}

Taaform1::~Taaform1()
{
    // However the window was closed, the inputs are kept for the next start.
    qv::guarded(dialogs_, nullptr, [this] { saveStoredSettings(settings()); });
    // The lists are emptied as the children go; this window is gone by then.
    selecttables->model()->disconnect(this);
}

void Taaform1::ApplyCaptions()
{
    const CaptionTable& table = captionTable(uiLanguage_);
    for (QObject* child : findChildren<QObject*>()) {
        const QString caption = captionOf(table, child->objectName());
        if (auto* label = qobject_cast<QLabel*>(child); label && label != Image1)
            label->setText(caption);
        else if (auto* group = qobject_cast<QGroupBox*>(child))
            group->setTitle(caption);
        else if (auto* check = qobject_cast<QCheckBox*>(child))
            check->setText(caption);
    }
    if (uiLanguage_ == UiLanguage::English) {
        btcreatebat->setText(QStringLiteral("Create Shortcut File"));
    } else {
        btcreatebat->setText(QStringLiteral("创建快捷方式"));
        Button1->setText(QStringLiteral("添加>"));
        Button2->setText(QStringLiteral("添加全部>"));
        Button3->setText(QStringLiteral("<去除"));
        Button4->setText(QStringLiteral("<去除全部"));
        bthelp->setText(QStringLiteral("帮助"));
    }
}

void Taaform1::ShowStep(int page)
{
    btback->setEnabled(true);
    btnext->setEnabled(true);
    btnext->setText(QStringLiteral("Next >"));
    btcancel->setEnabled(true);
    bthelp->setEnabled(true);
    if (page == 1)
        btback->setEnabled(false);
    if (page == 6) {
        btback->setEnabled(false);
        btnext->setText(QStringLiteral("Finish"));
        btcancel->setEnabled(false);
        bthelp->setEnabled(false);
    }
    pg->setCurrentIndex(page - 1);
    // The current step in bold; a caption too wide for one line gets a
    // smaller font rather than a second line.
    QLabel* const stepLabels[] = {Label1, Label2, Label3, Label4, Label5, Label6};
    for (int i = 0; i < 6; ++i) {
        QFont font = Panel1->font();
        font.setBold(i == page - 1);
        while (QFontMetrics(font).horizontalAdvance(stepLabels[i]->text()) > stepLabels[i]->contentsRect().width()
               && font.pointSizeF() > 6)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        stepLabels[i]->setFont(font);
    }
    if (currentStep_ == 5)
        updateNextOnPage5();
    switch (page) {
    case 2: edtservice->setFocus(); break;
    case 3: edtdatabase->setFocus(); break;
    case 4: processtable->setFocus(); break;
    case 5: availabletables->setFocus(); break;
    default: break;
    }
}

void Taaform1::updateNextOnPage5()
{
    if (currentStep_ == 5 && !runInProgress_ && pg->currentIndex() == 4)
        btnext->setEnabled(selecttables->count() > 0);
}

void Taaform1::btnextClick()
{
    // Only a Stop confirmed during this step's run holds the wizard on its
    // page; one left over from an earlier run does not.
    stopRequested_ = false;
    switch (currentStep_) {
    case 2: step2Click(); break;
    case 3: step3Click(); break;
    case 4: step4Click(); break;
    case 5: step5Click(); break;
    case 6: step6Click(); break;
    default: break;
    }
    if (stopRequested_) {
        stopRequested_ = false;
    } else if (currentStep_ < 6) {
        ++currentStep_;
        ShowStep(currentStep_);
        // Next lost the focus when the run disabled it; Finish takes it,
        // so that Space presses it.
        if (currentStep_ == 6)
            btnext->setFocus();
    } else if (!batchMode_) {
        currentStep_ = 1;
        ShowStep(1);
    }
    if (afterNext_)
        afterNext_();
}

void Taaform1::btbackClick()
{
    if (currentStep_ == 5)
        bkstep5Click();
    --currentStep_;
    ShowStep(currentStep_);
}

void Taaform1::bkstep5Click()
{
    availabletables->clear();
    selecttables->clear();
}

void Taaform1::btcancelClick()
{
    if (stopBound_)
        ConfirmStop();
    else
        ConfirmClose();
}

void Taaform1::ConfirmClose()
{
    if (dialogs_.confirm(this, QStringLiteral("Information"), queryclose->text()))
        close();
}

void Taaform1::forceStop()
{
    stopForced_ = true;
    stopRequested_ = true;
}

void Taaform1::ConfirmStop()
{
    if (dialogs_.confirm(this, QStringLiteral("Info"), QStringLiteral("Stop")) || stopForced_) {
        stopRequested_ = true;
        btback->setEnabled(true);
        btcancel->setText(QStringLiteral("Close"));
        stopBound_ = false;
    } else {
        stopRequested_ = false;
    }
}

QUrl Taaform1::helpAddress() const
{
    // A relative address names a page shipped with the program: beside the
    // executable in a build, under share/quorvane when installed.
    const QString address = helpurl->text();
    const QUrl url(address);
    if (!url.isRelative() || address.isEmpty())
        return url;
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {programFolder.filePath(address),
                                     programFolder.filePath(QStringLiteral("../share/quorvane/") + address)})
        if (QFileInfo::exists(candidate))
            return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath());
    return QUrl::fromLocalFile(programFolder.filePath(address));
}

void Taaform1::bthelpClick()
{
    QDesktopServices::openUrl(helpAddress());  // whether the desktop could open it is not checked
}

void Taaform1::Image1Click()
{
    bthelpClick();
}

bool Taaform1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        guarded([this] { Image1Click(); });
        return true;
    }
    // Alt with a letter is a mnemonic or nothing, never typing: a field keeps
    // its text. (AltGr characters come without the Alt modifier.)
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if ((key->modifiers() & Qt::AltModifier) && !(key->modifiers() & Qt::ControlModifier) && !key->text().isEmpty())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Taaform1::accessmodeClick()
{
    const bool local = accessmode->itemIndex() == 0;
    edthost->setEnabled(!local);
    edtport->setEnabled(true);
    // The greyed look of a disabled field, and the normal look of an input
    // field otherwise, both from the style's own palette.
    const QPalette standard = QApplication::palette(edthost);
    QPalette palette = edthost->palette();
    palette.setColor(QPalette::Base, standard.color(local ? QPalette::Button : QPalette::Base));
    edthost->setPalette(palette);
}

void Taaform1::step2Click()
{
    session_.connectSource(settings());
}

void Taaform1::step3Click()
{
    if (trimmedText(edtdatabase->text()).isEmpty()) {
        dialogs_.notify(this, applicationTitle(), QStringLiteral("请输入数据库名称"));
        edtdatabase->setFocus();
        throw SilentAbort();
    }
    session_.connectTarget(settings());
    edtdatabase2->setText(edtdatabase->text());
}

void Taaform1::step4Click()
{
    // A name already listed on page 5 is not listed again.
    for (const QString& name : session_.listSourceTables())
        if (availabletables->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()
            && selecttables->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
            insertSorted(availabletables, name);
    if (availabletables->count() > 0)
        availabletables->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void Taaform1::runStarting()
{
    pg->setCurrentIndex(currentStep_);  // the log page, while currentStep stays 5
    btback->setEnabled(false);
    btnext->setEnabled(false);
    btcancel->setText(QStringLiteral("Stop"));
    btcancel->setEnabled(true);
    stopBound_ = true;
    pbrun->setValue(0);
    lblprogress->clear();
}

void Taaform1::progressChanged(const RunProgress& progress)
{
    pbrun->setValue(progress.permille);
    // A line too wide for the label breaks between its pieces, never inside
    // one ("41,200 / rows/s").
    const QStringList pieces = progressPieces(progress, uiLanguage_);
    const QFontMetrics metrics(lblprogress->font());
    const int width = lblprogress->contentsRect().width();
    QString shown;
    QString row;
    for (const QString& piece : pieces) {
        if (!row.isEmpty() && metrics.horizontalAdvance(row + piece.trimmed()) > width) {
            shown = shown.trimmed() + u'\n';
            row.clear();
        }
        shown += piece;
        row += piece;
    }
    lblprogress->setText(shown);
    if (onProgress_)
        onProgress_(pieces.join(QString()), false);
}

void Taaform1::completionLinesWritten(const RunOutcome& outcome)
{
    if (onCompletionLines_)
        onCompletionLines_(outcome);
}

void Taaform1::step5Click()
{
    const ConversionSettings inputs = settings();
    runInProgress_ = true;
    try {
        session_.run(inputs.tables.names, inputs, *this);
    } catch (...) {
        runEnded();
        throw;
    }
    runEnded();
}

void Taaform1::runEnded()
{
    runInProgress_ = false;
    if (onProgress_)
        onProgress_({}, true);
    // The close box was used during the run: the window closes now, and the
    // program ends when the event loop has control again.
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void Taaform1::step6Click()
{
    clearLog();
    selecttables->clear();
    close();
}

void Taaform1::closeEvent(QCloseEvent* event)
{
    // The close box asks nothing. During a run the window stays, with its
    // log and Stop, and closes when the run has returned.
    if (runInProgress_) {
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Taaform1::appendLine(const QString& line)
{
    // An empty document already has its one empty block: the first line goes there.
    if (logLines_ == 0)
        sc->setPlainText(line);
    else
        sc->appendPlainText(line);
    ++logLines_;
    showLastLine();
    if (onLogChanged_)
        onLogChanged_(true);
}

void Taaform1::clearLog()
{
    sc->clear();
    logLines_ = 0;
}

void Taaform1::showLastLine()
{
    sc->moveCursor(QTextCursor::End);
    sc->ensureCursorVisible();
}

QStringList Taaform1::logLines() const
{
    QStringList lines;
    if (logLines_ == 0)
        return lines;
    for (QTextBlock block = sc->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

QString Taaform1::lastLine() const
{
    return sc->document()->lastBlock().text();
}

void Taaform1::replaceLastLine(const QString& line)
{
    if (logLines_ == 0) {
        appendLine(line);
        return;
    }
    QTextCursor cursor(sc->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(line);
    showLastLine();
    if (onLogChanged_)
        onLogChanged_(false);
}

void Taaform1::processEvents()
{
    QCoreApplication::processEvents();
}

void Taaform1::copyTextToClipboard(const QString& text)
{
    if (clipboardWriter_)
        clipboardWriter_(text);
    else
        QGuiApplication::clipboard()->setText(text);
}

QString Taaform1::completionText(CompletionLine line) const
{
    return captionOf(captionTable(uiLanguage_), completionLineComponent(line));
}

}  // namespace qv
