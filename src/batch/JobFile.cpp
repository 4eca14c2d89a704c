#include "JobFile.h"

#include "data/Errors.h"
#include "wizard/IntegerText.h"
#include "wizard/RadioGroup.h"
#include "wizard/Taaform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qv {

namespace {

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString fullPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The text up to its first NUL, cut into lines. A final line break adds no
// empty line; empty lines elsewhere are kept.
QStringList splitLines(QStringView text)
{
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text = text.left(nul);
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(text.mid(start, i - start).toString());
        i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.append(text.mid(start).toString());
    return lines;
}

QString decode(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

int integerValue(const QString& text)
{
    const std::optional<int> number = parseIntegerText(text);
    if (!number)
        throw ConversionError(QStringLiteral("''%1'' is not a valid integer value").arg(text));
    return *number;
}

}  // namespace

QStringList jobLines(const JobValues& v)
{
    QStringList lines{
        QStringLiteral("accessmode=") + QString::number(v.accessMode),
        QStringLiteral("mysqldatabase=") + v.mysqlDatabase,
        QStringLiteral("port=") + v.port,
        QStringLiteral("mysqlu=") + v.mysqlUser,
        QStringLiteral("mysqlp=") + v.mysqlPassword,
        QStringLiteral("host=") + v.host,
        QStringLiteral("oracleh=") + v.oracleService,
        QStringLiteral("oracleu=") + v.oracleUser,
        QStringLiteral("oraclep=") + v.oraclePassword,
        QStringLiteral("processtable=") + QString::number(v.existingTablePolicy),
        QStringLiteral("character_set=") + v.characterSet,
        QStringLiteral("tabledefonly=") + flag(v.tableDefinitionOnly),
        QStringLiteral("skipindex=") + flag(v.skipIndex),
        QStringLiteral("nameuppercase=") + flag(v.nameUppercase),
        QStringLiteral("alltables=") + QString::number(v.selectionMode),
    };
    if (v.selectionMode == 0)
        for (qsizetype i = 0; i < v.tables.size(); ++i)
            lines.append(QStringLiteral("tables") + QString::number(i + 1) + u'=' + v.tables.at(i));
    return lines;
}

namespace {

QByteArray textFileBytes(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text.toUtf8();
}

}  // namespace

QByteArray jobFileBytes(const JobValues& values)
{
    return textFileBytes(jobLines(values));
}

void writeOwnerOnlyTextFile(const QString& path, const QStringList& lines)
{
    const QByteArray bytes = textFileBytes(lines);
    const auto fail = [&path](const QFile& file) {
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(path), file.errorString()));
    };
#ifdef Q_OS_WIN
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(file);
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(file);
#else
    // Written to a new owner-only file beside it, then renamed over it: a
    // symlink planted at the path is replaced, never written through, and a
    // reader never finds half a file.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        fail(file);
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(file);
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(fullPath(path), QString::fromLocal8Bit(std::strerror(errno))));
    file.setAutoRemove(false);
#endif
}

void writeJobFile(const QString& path, const JobValues& values)
{
    writeOwnerOnlyTextFile(path, jobLines(values));
}

JobValues jobEditorValues(const Taaform1& form, int selectionMode)
{
    JobValues v;
    v.accessMode = form.accessmode->itemIndex();
    v.mysqlDatabase = form.edtdatabase2->text();
    v.port = form.edtport->text();
    v.mysqlUser = form.edtname->text();
    v.mysqlPassword = form.edtpassword->text();
    v.host = form.edthost->text();
    v.oracleService = form.edtservice->text();
    v.oracleUser = form.edtoracleusername->text();
    v.oraclePassword = form.edtoraclepassword->text();
    v.existingTablePolicy = form.processtable->itemIndex();
    v.characterSet = form.cbcharset->currentText();
    v.tableDefinitionOnly = form.chktabledefi->isChecked();
    v.skipIndex = form.chkskipindex->isChecked();
    v.nameUppercase = form.chkuppercase->isChecked();
    v.selectionMode = selectionMode;
    for (int i = 0; i < form.selecttables->count(); ++i)
        v.tables.append(form.selecttables->item(i)->text());
    return v;
}

void writeJobFile(const QString& path, const Taaform1& form, JobValues editorValues)
{
    editorValues.accessMode = form.accessmode->itemIndex();
    editorValues.existingTablePolicy = form.processtable->itemIndex();
    editorValues.host = form.edthost->text();
    writeJobFile(path, editorValues);
}

JobFile JobFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(file.errorString());
    return fromBytes(bytes);
}

JobFile JobFile::fromBytes(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    QString text;
    if (view.startsWith("\xFF\xFE"))
        text = decode(QStringConverter::Utf16LE, view.sliced(2));
    else if (view.startsWith("\xFE\xFF"))
        text = decode(QStringConverter::Utf16BE, view.sliced(2));
    else if (view.startsWith("\xEF\xBB\xBF"))
        text = decode(QStringConverter::Utf8, view.sliced(3));
    else
        text = decode(QStringConverter::Utf8, view);
    return JobFile(splitLines(text));
}

QString JobFile::value(const QString& key) const
{
    for (const QString& line : lines_) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

void applyJob(const JobFile& job, Taaform1& form)
{
    form.accessmode->setItemIndex(std::clamp(integerValue(job.value(QStringLiteral("accessmode"))), -1, 1));
    form.edtdatabase->setText(job.value(QStringLiteral("mysqldatabase")));
    form.edtname->setText(job.value(QStringLiteral("mysqlu")));
    form.edtpassword->setText(job.value(QStringLiteral("mysqlp")));
    form.edthost->setText(job.value(QStringLiteral("host")));
    form.edtport->setText(job.value(QStringLiteral("port")));
    form.edtservice->setText(job.value(QStringLiteral("oracleh")));
    form.edtoracleusername->setText(job.value(QStringLiteral("oracleu")));
    form.edtoraclepassword->setText(job.value(QStringLiteral("oraclep")));

    // Only an entry of the list, letter for letter; anything else chooses none.
    const QString characterSet = job.value(QStringLiteral("character_set"));
    int entry = -1;
    for (int i = 0; i < form.cbcharset->count() && entry < 0; ++i)
        if (form.cbcharset->itemText(i) == characterSet)
            entry = i;
    form.cbcharset->setCurrentIndex(entry);

    form.processtable->setItemIndex(std::clamp(integerValue(job.value(QStringLiteral("processtable"))), -1, 2));
    form.chktabledefi->setChecked(job.value(QStringLiteral("tabledefonly")) == QLatin1String("1"));
    form.chkuppercase->setChecked(job.value(QStringLiteral("nameuppercase")) == QLatin1String("1"));
    form.chkskipindex->setChecked(job.value(QStringLiteral("skipindex")) == QLatin1String("1"));
}

void chooseJobTables(const JobFile& job, Taaform1& form)
{
    if (job.value(QStringLiteral("alltables")) == QLatin1String("1")) {
        form.Button2Click();
        return;
    }
    // Every line counts towards the range, with or without "=".
    QListWidget* available = form.availabletables;
    for (int i = 0; i < job.lineCount(); ++i) {
        const QString name = job.value(QStringLiteral("tables") + QString::number(i));
        if (name.isEmpty())
            continue;
        for (int row = 0; row < available->count(); ++row) {
            if (available->item(row)->text() != name)
                continue;
            available->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            form.Button1Click();
            break;
        }
    }
}

}  // namespace qv
