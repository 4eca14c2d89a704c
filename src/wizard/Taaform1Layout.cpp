// The window's controls: creation, placement and design properties. The
// actions are wired up by the constructor once everything here exists.

#include "Placement.h"
#include "RadioGroup.h"
#include "Taaform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {

// Design captions are the English ones; ApplyCaptions replaces them.
QString designCaption(const QString& name)
{
    return captionOf(captionTable(UiLanguage::English), name);
}

QLabel* label(QWidget* parent, const QString& name, const QRect& geometry, bool wrap = false)
{
    auto* result = place(new QLabel(designCaption(name), parent), name, geometry);
    result->setTextFormat(Qt::PlainText);
    if (wrap) {
        result->setWordWrap(true);
        result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return result;
}

QLineEdit* edit(QWidget* parent, const QString& name, const QRect& geometry, QLabel* buddy)
{
    auto* result = place(new QLineEdit(parent), name, geometry);
    if (buddy)
        buddy->setBuddy(result);
    return result;
}

QGroupBox* groupBox(QWidget* parent, const QString& name, const QRect& geometry)
{
    return place(new QGroupBox(designCaption(name), parent), name, geometry);
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QRect& geometry)
{
    return place(new QCheckBox(designCaption(name), parent), name, geometry);
}

RadioGroup* radioGroup(QWidget* parent, const QString& name, const QStringList& items, const QRect& geometry)
{
    auto* result = place(new RadioGroup(name, items, parent), name, geometry);
    result->setTitle(designCaption(name));
    return result;
}

QWidget* page(QTabWidget* pages, const QString& name, const QString& tabText)
{
    auto* result = new QWidget;
    result->setObjectName(name);
    pages->addTab(result, tabText);
    return result;
}

// A database drum: body, bottom rim, two platter lines and a lit top.
void drawCylinder(QPainter& painter, const QRectF& box, const QColor& colour)
{
    const qreal rim = box.height() * 0.26;
    QLinearGradient shade(box.topLeft(), box.topRight());
    shade.setColorAt(0.0, colour.lighter(135));
    shade.setColorAt(0.45, colour);
    shade.setColorAt(1.0, colour.darker(140));

    QPainterPath body;
    body.moveTo(box.left(), box.top() + rim / 2);
    body.lineTo(box.left(), box.bottom() - rim / 2);
    body.arcTo(QRectF(box.left(), box.bottom() - rim, box.width(), rim), 180, 180);
    body.lineTo(box.right(), box.top() + rim / 2);
    body.closeSubpath();

    const QPen outline(colour.darker(170), 1.0);
    painter.setPen(outline);
    painter.setBrush(shade);
    painter.drawPath(body);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour.darker(150), 0.8));
    const qreal step = (box.height() - rim) / 3;
    for (int i = 1; i <= 2; ++i) {
        const qreal y = box.top() + i * step;
        painter.drawArc(QRectF(box.left(), y, box.width(), rim), 180 * 16, 180 * 16);
    }

    painter.setPen(outline);
    painter.setBrush(colour.lighter(160));
    painter.drawEllipse(QRectF(box.left(), box.top(), box.width(), rim));
}

// The logo under the step list: Oracle drum, arrow, MySQL drum, name.
QPixmap drawLogo(const QSize& size, const QFont& baseFont)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QFont title = baseFont;
    title.setPixelSize(16);
    title.setBold(true);
    const QString name = QStringLiteral("Quorvane");
    const qreal nameWidth = QFontMetricsF(title).horizontalAdvance(name);
    const qreal drumsWidth = 61, gap = 8;
    painter.translate(qMax<qreal>(0, (size.width() - drumsWidth - gap - nameWidth) / 2), 0);

    const qreal top = 7;
    const qreal height = size.height() - 2 * top;
    drawCylinder(painter, QRectF(0.5, top, 19, height), QColor(0xc4, 0x3d, 0x2f));
    drawCylinder(painter, QRectF(42.5, top, 19, height), QColor(0x2a, 0x7a, 0xb8));

    const qreal mid = top + height / 2 + 1;
    const QColor arrowColour(0x3b, 0x4a, 0x5a);
    painter.setPen(QPen(arrowColour, 2.6, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(24, mid), QPointF(33, mid));
    painter.setPen(Qt::NoPen);
    painter.setBrush(arrowColour);
    painter.drawPolygon(QPolygonF({QPointF(32, mid - 5), QPointF(39, mid), QPointF(32, mid + 5)}));

    painter.setFont(title);
    painter.setPen(QColor(0x2b, 0x36, 0x45));
    painter.drawText(QRectF(drumsWidth + gap, 0, nameWidth + 2, size.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.end();
    return pixmap;
}

}  // namespace

void Taaform1::buildLayout()
{
    setObjectName(QStringLiteral("aaform1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(594, 425);

    // Step list and logo.
    Panel1 = place(new QFrame(this), QStringLiteral("Panel1"), QRect(0, 0, 177, 425));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    {
        QPalette palette = Panel1->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        Panel1->setPalette(palette);
    }
    // One line each, to the panel's edge; ShowStep fits the bold one.
    QLabel** steps[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    for (int i = 0; i < 6; ++i)
        *steps[i] = label(Panel1, QStringLiteral("Label%1").arg(i + 1), QRect(13, 24 + 40 * i, 177 - 13 - 2, 36));

    Image1 = place(new QLabel(Panel1), QStringLiteral("Image1"), QRect(0, 425 - 41, 177, 41));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setPixmap(drawLogo(Image1->size(), font()));

    Button8 = button(Panel1, QStringLiteral("Button8"), QStringLiteral("savelist"), QRect(8, 320, 75, 25));
    Button8->hide();
    loaditems = button(Panel1, QStringLiteral("loaditems"), QStringLiteral("loaditems"), QRect(92, 320, 75, 25));
    loaditems->hide();

    // Pages, separator and button bar.
    Panel2 = place(new QFrame(this), QStringLiteral("Panel2"), QRect(177, 0, 417, 425));
    Panel2->setFrameShape(QFrame::NoFrame);

    // Made first so it stays beneath the pages wherever it is moved.
    Panel4 = place(new QFrame(Panel2), QStringLiteral("Panel4"), QRect(-500, -500, 408, 23));
    Panel4->setFrameShape(QFrame::NoFrame);

    pg = place(new QTabWidget(Panel2), QStringLiteral("pg"), QRect(0, 0, 417, 375));
    pg->setDocumentMode(true);
    pg->setFocusPolicy(Qt::NoFocus);
    pg->tabBar()->setFocusPolicy(Qt::NoFocus);

    Panel5 = place(new QFrame(Panel2), QStringLiteral("Panel5"), QRect(0, 378, 417, 2));
    Panel5->setFrameShape(QFrame::HLine);
    Panel5->setFrameShadow(QFrame::Sunken);

    Panel3 = place(new QFrame(Panel2), QStringLiteral("Panel3"), QRect(0, 425 - 41, 417, 41));
    Panel3->setFrameShape(QFrame::NoFrame);
    btback = button(Panel3, QStringLiteral("btback"), QStringLiteral("< Back"), QRect(88, 8, 75, 25));
    btnext = button(Panel3, QStringLiteral("btnext"), QStringLiteral("Next >"), QRect(168, 8, 75, 25));
    btcancel = button(Panel3, QStringLiteral("btcancel"), QStringLiteral("Close"), QRect(251, 8, 75, 25));
    bthelp = button(Panel3, QStringLiteral("bthelp"), QStringLiteral("Help"), QRect(330, 8, 75, 25));

    // Page 1: welcome.
    QWidget* sheet = page(pg, QStringLiteral("TabSheet1"), QStringLiteral("1"));
    {
        QFont heading = font();
        heading.setPointSize(10);
        heading.setBold(true);
        Label7 = label(sheet, QStringLiteral("Label7"), QRect(16, 24, 385, 20));
        Label7->setFont(heading);
        Label8 = label(sheet, QStringLiteral("Label8"), QRect(16, 46, 385, 20));
        Label8->setFont(heading);
    }
    Label9 = label(sheet, QStringLiteral("Label9"), QRect(16, 88, 385, 36), true);
    Label10 = label(sheet, QStringLiteral("Label10"), QRect(16, 132, 385, 36), true);

    // Page 2: Oracle connection.
    sheet = page(pg, QStringLiteral("TabSheet3"), QStringLiteral("2"));
    Label18 = label(sheet, QStringLiteral("Label18"), QRect(16, 24, 385, 36), true);
    Label19 = label(sheet, QStringLiteral("Label19"), QRect(16, 68, 385, 36), true);
    Label20 = label(sheet, QStringLiteral("Label20"), QRect(16, 112, 385, 36), true);
    Label21 = label(sheet, QStringLiteral("Label21"), QRect(16, 167, 112, 17));
    edtservice = edit(sheet, QStringLiteral("edtservice"), QRect(132, 164, 200, 22), Label21);
    Label22 = label(sheet, QStringLiteral("Label22"), QRect(16, 199, 112, 17));
    edtoracleusername = edit(sheet, QStringLiteral("edtoracleusername"), QRect(132, 196, 200, 22), Label22);
    Label23 = label(sheet, QStringLiteral("Label23"), QRect(16, 231, 112, 17));
    edtoraclepassword = edit(sheet, QStringLiteral("edtoraclepassword"), QRect(132, 228, 200, 22), Label23);
    edtoraclepassword->setEchoMode(QLineEdit::Password);

    // Page 3: MySQL connection.
    sheet = page(pg, QStringLiteral("TabSheet2"), QStringLiteral("3"));
    Label11 = label(sheet, QStringLiteral("Label11"), QRect(16, 12, 385, 34), true);
    accessmode = radioGroup(sheet, QStringLiteral("accessmode"), {QStringLiteral("&Local"), QStringLiteral("&Romote")},
                            QRect(16, 50, 128, 74));
    accessmode->setItemIndex(0);

    GroupBox1 = groupBox(sheet, QStringLiteral("GroupBox1"), QRect(152, 50, 249, 74));
    edtport111 = label(GroupBox1, QStringLiteral("edtport111"), QRect(12, 25, 96, 17));
    edtport = edit(GroupBox1, QStringLiteral("edtport"), QRect(112, 22, 72, 22), edtport111);
    edtport->setText(QStringLiteral("3306"));
    Label17 = label(GroupBox1, QStringLiteral("Label17"), QRect(12, 50, 230, 17));

    GroupBox2 = groupBox(sheet, QStringLiteral("GroupBox2"), QRect(16, 130, 385, 74));
    Label14 = label(GroupBox2, QStringLiteral("Label14"), QRect(12, 25, 100, 17));
    edthost = edit(GroupBox2, QStringLiteral("edthost"), QRect(116, 22, 200, 22), Label14);
    edthost->setEnabled(false);
    Label16 = label(GroupBox2, QStringLiteral("Label16"), QRect(116, 50, 262, 17));

    authorization = groupBox(sheet, QStringLiteral("authorization"), QRect(16, 210, 385, 104));
    Label15 = label(authorization, QStringLiteral("Label15"), QRect(12, 25, 100, 17));
    edtdatabase = edit(authorization, QStringLiteral("edtdatabase"), QRect(116, 22, 200, 22), Label15);
    Label12 = label(authorization, QStringLiteral("Label12"), QRect(12, 51, 100, 17));
    edtname = edit(authorization, QStringLiteral("edtname"), QRect(116, 48, 200, 22), Label12);
    Label13 = label(authorization, QStringLiteral("Label13"), QRect(12, 77, 100, 17));
    edtpassword = edit(authorization, QStringLiteral("edtpassword"), QRect(116, 74, 200, 22), Label13);
    edtpassword->setEchoMode(QLineEdit::Password);

    Label33 = label(sheet, QStringLiteral("Label33"), QRect(28, 329, 100, 17));
    cbcharset = place(new QComboBox(sheet), QStringLiteral("cbcharset"), QRect(132, 326, 200, 22));
    cbcharset->setEditable(true);
    cbcharset->setInsertPolicy(QComboBox::NoInsert);  // typed text never joins the list
    cbcharset->setMaxVisibleItems(6);
    cbcharset->addItems(ConversionSettings::characterSetEntries());
    cbcharset->setCurrentIndex(0);
    Label33->setBuddy(cbcharset);

    // Page 4: conversion settings.
    sheet = page(pg, QStringLiteral("TabSheet4"), QStringLiteral("4"));
    Label24 = label(sheet, QStringLiteral("Label24"), QRect(16, 24, 385, 36), true);
    Label25 = label(sheet, QStringLiteral("Label25"), QRect(16, 75, 160, 17));
    edtdatabase2 = edit(sheet, QStringLiteral("edtdatabase2"), QRect(180, 72, 200, 22), Label25);
    edtdatabase2->setReadOnly(true);
    processtable = radioGroup(sheet, QStringLiteral("processtable"),
                              {QStringLiteral("Overwrite"), QStringLiteral("Merge"), QStringLiteral("Skip")},
                              QRect(16, 110, 385, 100));
    processtable->setItemIndex(0);
    chktabledefi = checkBox(sheet, QStringLiteral("chktabledefi"), QRect(16, 226, 385, 20));
    chkskipindex = checkBox(sheet, QStringLiteral("chkskipindex"), QRect(16, 252, 385, 20));
    chkuppercase = checkBox(sheet, QStringLiteral("chkuppercase"), QRect(16, 278, 385, 20));
    chkuppercase->setChecked(true);
    chkroundvalues = checkBox(sheet, QStringLiteral("chkroundvalues"), QRect(16, 304, 385, 20));
    chkconstraints = checkBox(sheet, QStringLiteral("chkconstraints"), QRect(16, 330, 385, 20));

    // Page 5: table choice. availabletables is kept in order by the window
    // itself, so the list's own sorting stays off.
    sheet = page(pg, QStringLiteral("TabSheet5"), QStringLiteral("5"));
    Label26 = label(sheet, QStringLiteral("Label26"), QRect(5, 24, 404, 34), true);
    Label27 = label(sheet, QStringLiteral("Label27"), QRect(5, 61, 156, 17));
    availabletables = place(new QListWidget(sheet), QStringLiteral("availabletables"), QRect(5, 80, 156, 231));
    availabletables->setSelectionMode(QAbstractItemView::ExtendedSelection);
    availabletables->setSortingEnabled(false);
    Label27->setBuddy(availabletables);
    // The move buttons come between the lists in the tab order.
    Button1 = button(sheet, QStringLiteral("Button1"), QStringLiteral("Add >"), QRect(165, 88, 83, 25));
    Button2 = button(sheet, QStringLiteral("Button2"), QStringLiteral("Add all >"), QRect(165, 132, 83, 25));
    Button3 = button(sheet, QStringLiteral("Button3"), QStringLiteral("< Remove"), QRect(165, 176, 83, 25));
    Button4 = button(sheet, QStringLiteral("Button4"), QStringLiteral("< Remove all"), QRect(165, 221, 83, 25));
    Label28 = label(sheet, QStringLiteral("Label28"), QRect(253, 59, 156, 17));
    selecttables = place(new QListWidget(sheet), QStringLiteral("selecttables"), QRect(253, 78, 156, 231));
    selecttables->setSelectionMode(QAbstractItemView::ExtendedSelection);
    selecttables->setSortingEnabled(false);
    Label28->setBuddy(selecttables);
    btcreatebat = button(sheet, QStringLiteral("btcreatebat"), QStringLiteral("Create Shortcut File"),
                         QRect(253, 318, 156, 25));

    // Page 6: the progress log.
    sheet = page(pg, QStringLiteral("TabSheet6"), QStringLiteral("6"));
    sc = new QPlainTextEdit(sheet);
    sc->setObjectName(QStringLiteral("sc"));
    sc->setReadOnly(true);
    // A long line wraps, so that no horizontal scroll bar covers the last one.
    sc->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    sc->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Below the log, which keeps the rest: the run's bar and its line (two
    // lines high, so that the log keeps its size while the line changes).
    pbrun = new QProgressBar(sheet);
    pbrun->setObjectName(QStringLiteral("pbrun"));
    pbrun->setRange(0, 1000);
    pbrun->setValue(0);
    pbrun->setTextVisible(false);  // the line below tells it
    lblprogress = label(sheet, QStringLiteral("lblprogress"), QRect(), true);
    lblprogress->setMinimumHeight(2 * lblprogress->fontMetrics().lineSpacing());
    {
        auto* fill = new QVBoxLayout(sheet);
        fill->setContentsMargins(0, 0, 0, 2);
        fill->setSpacing(4);
        fill->addWidget(sc, 1);
        fill->addWidget(pbrun);
        fill->addWidget(lblprogress);
    }

    // Page 7, never shown: labels that only hold language-dependent texts.
    sheet = page(pg, QStringLiteral("TabSheet7"), QStringLiteral("7"));
    PageControl1 = place(new QTabWidget(sheet), QStringLiteral("PageControl1"), QRect(8, 8, 400, 340));
    PageControl1->setFocusPolicy(Qt::NoFocus);
    QWidget* texts = page(PageControl1, QStringLiteral("TabSheet8"), QStringLiteral("texts"));
    Label29 = label(texts, QStringLiteral("Label29"), QRect(8, 8, 380, 17));
    Label30 = label(texts, QStringLiteral("Label30"), QRect(8, 32, 380, 17));
    Label31 = label(texts, QStringLiteral("Label31"), QRect(8, 56, 380, 17));
    Label32 = label(texts, QStringLiteral("Label32"), QRect(8, 80, 380, 17));
    helpurl = label(texts, QStringLiteral("helpurl"), QRect(8, 104, 380, 17));
    queryclose = label(texts, QStringLiteral("queryclose"), QRect(8, 128, 380, 17));

    pg->tabBar()->hide();
    pg->setCurrentIndex(0);
}

}  // namespace qv
